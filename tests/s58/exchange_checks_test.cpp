// The S-58 checks of the exchange group.
#include <gtest/gtest.h>
