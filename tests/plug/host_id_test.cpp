#include "plug/HostIdentification.h"

#include <gtest/gtest.h>

#include <string>

using namespace plug;

TEST(HostIdentification, TableOrderCaseAndMisses)
{
  // An entry is tested before a shorter one it contains.
  EXPECT_EQ(LookUpHostId("WaveLab Elements 11"), kHostWaveLabElements);
  EXPECT_EQ(LookUpHostId("WaveLab 11.1"), kHostWaveLab);
  // The name the AAX binding passes when the host has not said otherwise.
  EXPECT_EQ(LookUpHostId("ProTools"), kHostProTools);
  EXPECT_EQ(LookUpHostId("Pro Tools"), kHostUnknown);
  // Upper and mixed case.
  EXPECT_EQ(LookUpHostId("REAPER64"), kHostReaper);
  EXPECT_EQ(LookUpHostId("Bitwig Studio"), kHostBitwig);
  EXPECT_EQ(LookUpHostId("Blue Cat's VST Host"), kHostBlueCat);
  EXPECT_EQ(LookUpHostId("iZotope RX 10"), kHostiZotopeRX);
  // Earlier entries win wherever they occur: "live" is tested long before "standalone".
  EXPECT_EQ(LookUpHostId("Standalone Live"), kHostAbletonLive);
  EXPECT_EQ(LookUpHostId("my standalone app"), kHostStandalone);
  EXPECT_EQ(LookUpHostId("www.example.org"), kHostWWW);
  EXPECT_EQ(LookUpHostId("Studio One by PreSonus"), kHostStudioOne);
  // No match, empty and null.
  EXPECT_EQ(LookUpHostId("Some Unknown DAW"), kHostUnknown);
  EXPECT_EQ(LookUpHostId(""), kHostUnknown);
  EXPECT_EQ(LookUpHostId(nullptr), kHostUnknown);
}

TEST(HostIdentification, LooksOnlyAtTheFirst255Characters)
{
  std::string name(249, 'x');
  EXPECT_EQ(LookUpHostId((name + "reaper").c_str()), kHostReaper) << "ends at character 255";
  EXPECT_EQ(LookUpHostId((name + "xreaper").c_str()), kHostUnknown) << "ends at character 256";
  EXPECT_EQ(LookUpHostId((std::string(100000, 'y') + "cubase").c_str()), kHostUnknown);
}
