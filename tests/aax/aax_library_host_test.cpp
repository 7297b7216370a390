// The library pieces that talk to the host, run against the host stand-in.
#include "aax/library/AAX_Assert.h"
#include "aax/library/AAX_CChunkDataParser.h"
#include "aax/library/AAX_CPacketRegistry.h"
#include "aax/library/AAX_CheckedResult.h"
#include "aax/library/AAX_Exception.h"
#include "aax/library/AAX_VController.h"
#include "standin/aaxhost/Host.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{
// Host services for the duration of one test.
struct StartedHost
{
  explicit StartedHost(int version = aaxhost::kAllVersions) : mHost(version)
  {
    AAX_StartupHostServices(mHost.Unknown());
  }
  ~StartedHost() { AAX_StartupHostServices(nullptr); }
  aaxhost::Host mHost;
};

class ByteHandler : public AAX_IPacketHandler
{
public:
  AAX_IPacketHandler* Clone() const override { return new ByteHandler(*this); }
  AAX_Result Fill(AAX_CParamID, AAX_CPacket& packet) const override
  {
    *packet.GetPtr<uint32_t>() = 0x01020304u;
    return AAX_SUCCESS;
  }
};
} // namespace

TEST(AAXLibraryHost, FailuresAreTracedToTheHost)
{
  StartedHost started;
  aaxhost::HostServices& services = started.mHost.Services();
  services.Clear();

  AAX_CheckedResult result;
  EXPECT_THROW(result = AAX_ERROR_NULL_OBJECT, AAX::Exception::ResultError);
  auto traces = services.Traces();
  ASSERT_EQ(traces.size(), 1u);
  EXPECT_EQ(traces[0].priority, 0x4000000);
  EXPECT_EQ(traces[0].text, "AAX_CheckedResult - throwing AAX_ERROR_NULL_OBJECT (-20004)");

  services.Clear();
  AAX_CChunkDataParser parser;
  parser.AddDouble("Gain", 1.0);
  std::vector<uint8_t> small(8);
  int32_t written = 0;
  EXPECT_EQ(parser.WriteChunkData(small.data(), 8, &written), AAX_CChunkDataParser::kChunkOverflow);
  traces = services.Traces();
  ASSERT_EQ(traces.size(), 1u);
  EXPECT_EQ(traces[0].priority, 0x8000000);
  EXPECT_EQ(traces[0].text, "AAX_CChunkDataParser::GetChunkData ERROR: aborting: chunk data will overflow buffer");
}

TEST(AAXLibraryHost, DirtyPacketsReachTheHostController)
{
  for (const int version : {1, aaxhost::kAllVersions})
  {
    aaxhost::Host host(version);
    {
      AAX_VController controller(host.Unknown());
      AAX_CPacketRegistry registry;
      registry.SetController(&controller, nullptr);
      registry.RegisterPacket("1", 7, ByteHandler());
      EXPECT_EQ(registry.Dispatch(), AAX_SUCCESS);
      const auto packets = host.GetController().Packets();
      ASSERT_EQ(packets.size(), 1u) << version;
      EXPECT_EQ(packets[0].field, 7u);
      ASSERT_EQ(packets[0].data.size(), 4u);
      uint32_t value = 0;
      std::memcpy(&value, packets[0].data.data(), 4);
      EXPECT_EQ(value, 0x01020304u);
    }
    EXPECT_TRUE(host.AllAtStartingCounts()) << version;
  }

  // A host without the controller interface: the post reports the missing object.
  aaxhost::Host bare(0);
  AAX_VController controller(bare.Unknown());
  AAX_CPacketRegistry registry;
  registry.SetController(&controller, nullptr);
  registry.RegisterPacket("1", 7, ByteHandler());
  EXPECT_EQ(registry.Dispatch(), AAX_ERROR_NULL_OBJECT);
}

// A long render posts a packet and makes host calls on every pass; the stand-in keeps only the
// newest records (with counts of all), so its memory stays flat however long the session.
TEST(AAXLibraryHost, HostRecordsStayBoundedInLongSessions)
{
  StartedHost started;
  aaxhost::Host& host = started.mHost;
  const size_t capacity = aaxhost::kDefaultRecordCapacity;
  const uint64_t passes = 3 * capacity + 5;
  {
    AAX_VController controller(host.Unknown());
    AAX_CPacketRegistry registry;
    registry.SetController(&controller, nullptr);
    registry.RegisterPacket("1", 25, ByteHandler());
    host.Context().ClearCalls();
    for (uint64_t pass = 0; pass < passes; ++pass)
    {
      registry.MarkDirty("1");
      ASSERT_EQ(registry.Dispatch(), AAX_SUCCESS);
      const int32_t number = static_cast<int32_t>(pass);
      AAX_Trace(AAX_eTracePriority_Normal, "pass %d", number);
      controller.SetSignalLatency(number);
    }
  }
  aaxhost::Controller& controller = host.GetController();
  EXPECT_EQ(controller.Packets().size(), capacity);
  EXPECT_EQ(controller.PacketCount(), passes);
  aaxhost::PacketRecord last;
  ASSERT_TRUE(controller.LastPacket(25, last));
  EXPECT_EQ(last.data.size(), 4u);
  EXPECT_FALSE(controller.LastPacket(7, last));

  // Three host calls per pass (post, trace, latency); the newest are kept in order.
  const std::vector<std::string> calls = host.Context().Calls();
  EXPECT_EQ(calls.size(), capacity);
  EXPECT_EQ(host.Context().CallCount(), 3 * passes);
  EXPECT_EQ(calls.back(), "Controller.SetSignalLatency");
  EXPECT_EQ(host.Context().LastCall(), "Controller.SetSignalLatency");

  const auto traces = host.Services().Traces();
  ASSERT_EQ(traces.size(), capacity);
  EXPECT_EQ(host.Services().TraceCount(), passes);
  EXPECT_EQ(traces.back().text, "pass " + std::to_string(passes - 1));
  EXPECT_EQ(traces.front().text, "pass " + std::to_string(passes - capacity));

  controller.ClearRecords();
  host.Services().Clear();
  EXPECT_EQ(controller.PacketCount(), 0u);
  EXPECT_TRUE(controller.Packets().empty());
  EXPECT_EQ(host.Services().TraceCount(), 0u);
}
