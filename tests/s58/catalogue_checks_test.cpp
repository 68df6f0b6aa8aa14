// The S-58 checks of the catalogue group.
#include <gtest/gtest.h>
