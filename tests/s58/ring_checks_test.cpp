// Tests of the S-58 ring checks.
#include <gtest/gtest.h>
