#include <gtest/gtest.h>
#include "common/text.h"
TEST(Smoke, Builds) { EXPECT_EQ(orvenka::FitText("ABC", 5, true), "  ABC"); }
