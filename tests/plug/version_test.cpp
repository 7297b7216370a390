#include <gtest/gtest.h>

#include <string>

#include "plug/PlugVersion.h"

TEST(FrameworkVersion, MatchesTheProductVersion)
{
  EXPECT_STREQ(plug::FrameworkVersion(), "1.0.6");
  EXPECT_NE(std::string(plug::BuildDescription()).find("1.0.6"), std::string::npos);
}
