// Tests of the S-58 topology checks.
#include <gtest/gtest.h>
