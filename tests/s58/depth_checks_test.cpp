// The S-58 checks of the depth group.
#include <gtest/gtest.h>
