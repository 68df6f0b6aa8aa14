// The S-58 checks of the coverage group.
#include <gtest/gtest.h>
