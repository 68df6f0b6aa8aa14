// Tests of the S-58 encoding checks.
#include <gtest/gtest.h>
