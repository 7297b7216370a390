// Plain types that cross the host boundary: codes, records laid out as the host lays them out,
// and the procedure types of the render path.
#pragma once

#include "aax/interfaces/ACFUnknown.h"

#include <cstddef>
#include <cstdint>

// Four-character codes: first character in the most significant byte ('IEF1' = 0x49454631).
using AAX_CTypeID = uint32_t;
constexpr AAX_CTypeID AAX_MakeFourCC(char a, char b, char c, char d)
{
  return (static_cast<uint32_t>(static_cast<uint8_t>(a)) << 24) |
         (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 8) | static_cast<uint32_t>(static_cast<uint8_t>(d));
}

// Identifiers of host features (description host, feature information).
using AAX_Feature_UID = acfUID;

// Stem formats: 32-bit host codes whose low 16 bits are the channel count.
constexpr int32_t AAX_eStemFormat_Mono = 0x00000001;
constexpr int32_t AAX_eStemFormat_Stereo = 0x00010002;
constexpr int32_t AAX_eStemFormat_None = static_cast<int32_t>(0xFF9C0000u);
constexpr int32_t AAX_eStemFormat_Any = static_cast<int32_t>(0xFFFF0000u);
inline int32_t AAX_StemFormatChannelCount(int32_t stemFormat) { return stemFormat & 0xFFFF; }

// Notification types the host and the plug-in exchange.
constexpr AAX_CTypeID AAX_eNotificationEvent_EnteringOfflineMode = AAX_MakeFourCC('A', 'X', 'o', 'f');
constexpr AAX_CTypeID AAX_eNotificationEvent_ExitingOfflineMode = AAX_MakeFourCC('A', 'X', 'o', 'x');
constexpr AAX_CTypeID AAX_eNotificationEvent_TrackNameChanged = AAX_MakeFourCC('A', 'X', 't', 'n');
constexpr AAX_CTypeID AAX_eNotificationEvent_ParameterNameChanged = AAX_MakeFourCC('A', 'X', 'p', 'n');
constexpr AAX_CTypeID AAX_eNotificationEvent_SideChainBeingNotified = AAX_MakeFourCC('A', 'S', 'P', 'v');

// Procedure kinds for the effect descriptor's procedure registration.
constexpr int32_t AAX_eProcPtrID_Create_EffectParameters = 0;
constexpr int32_t AAX_eProcPtrID_Create_EffectGUI = 1;

// MIDI node types of the component descriptor.
constexpr int32_t AAX_eMIDINodeType_LocalInput = 0;
constexpr int32_t AAX_eMIDINodeType_LocalOutput = 1;
constexpr int32_t AAX_eMIDINodeType_Global = 2;
constexpr int32_t AAX_eMIDINodeType_Transport = 3;

// Property identifiers the library itself interprets (the others are the host's).
constexpr int32_t AAX_eProperty_ManufacturerID = 11;
constexpr int32_t AAX_eProperty_ProductID = 12;
constexpr int32_t AAX_eProperty_PlugInID_Native = 13;
constexpr int32_t AAX_eProperty_PlugInID_AudioSuite = 14;
constexpr int32_t AAX_eProperty_PlugInID_TI = 15;
constexpr int32_t AAX_eProperty_NativeProcessProc = 36;
constexpr int32_t AAX_eProperty_NativeInstanceInitProc = 37;
constexpr int32_t AAX_eProperty_NativeBackgroundProc = 38;
constexpr int32_t AAX_eProperty_TIDLLFileName = 39;
constexpr int32_t AAX_eProperty_TIProcessProc = 40;
constexpr int32_t AAX_eProperty_TIInstanceInitProc = 41;
constexpr int32_t AAX_eProperty_TIBackgroundProc = 42;
constexpr int32_t AAX_eProperty_InputStemFormat = 51;
constexpr int32_t AAX_eProperty_OutputStemFormat = 52;
constexpr int32_t AAX_eProperty_AudioBufferLength = 54;
constexpr int32_t AAX_eProperty_MinID = 10;  // lowest identifier a property-map copy carries
constexpr int32_t AAX_eProperty_MaxID = 401; // highest identifier a property-map copy carries

// A point of two floats. Decision: vertical first, horizontal second; as a size that is
// height then width (the view container's resize and the editor-size report use it so).
struct AAX_Point
{
  float vert = 0.0f;
  float horz = 0.0f;
};
static_assert(sizeof(AAX_Point) == 8, "a point is two floats");

// The host's state-chunk record. Only size, version, identifier, name and data are ours to
// read or write; the other fields belong to the host. The data area starts at byte 56.
struct AAX_SPlugInChunk
{
  int32_t fSize;     // byte 0: number of data bytes
  int32_t fVersion;  // byte 4: chunk version
  int32_t fManID;    // byte 8: host field
  int32_t fProdID;   // byte 12: host field
  int32_t fPlugID;   // byte 16: host field
  int32_t fChunkID;  // byte 20: chunk identifier (a four-character code)
  char fName[32];    // byte 24: chunk name, NUL-padded
  char fData[1];     // byte 56: fSize data bytes (the host allocates the record that large)
};
static_assert(offsetof(AAX_SPlugInChunk, fChunkID) == 20, "chunk identifier at byte 20");
static_assert(offsetof(AAX_SPlugInChunk, fData) == 56, "chunk data at byte 56");
// Bytes a record needs for dataSize data bytes.
constexpr size_t AAX_ChunkRecordSize(size_t dataSize) { return 56 + dataSize; }

// ---- render path --------------------------------------------------------------------------
//
// Decision: a render context is the array of field pointers the host fills for one instance
// before each call, indexed by the field indices the component was described with:
//   [0] float* const* audio inputs     [1] float* const* audio outputs
//   [2] int32_t* buffer length         [3] float* sample rate (when described)
//   [4] AAX_IMIDINode* MIDI input       [5] AAX_IMIDINode* MIDI output
//   [6] AAX_IMIDINode* global MIDI      [7] AAX_ITransport* transport (see below)
//   [8..22] further MIDI input nodes or 4-byte data fields
//   [23] void* private data: 8 bytes, holding the instance's effect-parameters pointer
//   [24] meters                         [25] int64_t* state number posted for this call
//   [26] int32_t* side-chain input channel (0: none connected)
// A plain data field (declared with the descriptor's private-data operation) points to a
// host-owned block of the declared size. Fields that were not described are null.
//
// Decision: the transport node field (7) holds an AAX_ITransport* directly: a plug-in-side
// transport object owned by the host and valid for the duration of the render call. (The host
// stand-in places an AAX_VTransport over its transport object there.)
using AAX_RenderContext = void* const*;
constexpr int32_t AAX_kRenderFieldCount = 27;

// Decision: the process procedure receives the batch of instance contexts to render as an
// array of context pointers and the end pointer one past its last element:
//   for (auto* it = first; it != end; ++it) render(*it);
// It has no result and must not throw.
using AAX_CProcessProc = void (*)(AAX_RenderContext const* inInstancesBegin, const void* inInstancesEnd);
// Optional per-instance set-up (action 0 add, 1 remove) and background procedures.
using AAX_CInstanceInitProc = int32_t (*)(AAX_RenderContext inInstanceContext, int32_t inAction);
using AAX_CBackgroundProc = int32_t (*)();
// The factories handed to the host with AAX_eProcPtrID_*: each makes one plug-in object and
// returns its IACFUnknown (effect parameters or effect GUI), null on failure.
using AAX_CCreateObjectProc = IACFUnknown* (*)();

// MIDI as the nodes carry it: 16 bytes per packet.
struct AAX_CMidiPacket
{
  uint32_t mTimestamp;      // byte 0: sample offset within the call
  uint32_t mLength;         // byte 4: data bytes used
  uint8_t mData[4];         // byte 8: up to four data bytes
  bool mIsImmediate;        // byte 12
  uint8_t mPad[3];
};
static_assert(sizeof(AAX_CMidiPacket) == 16, "MIDI packets are 16 bytes");

struct AAX_CMidiStream
{
  int32_t mBufferSize;             // byte 0: packet count
  int32_t mPad;
  AAX_CMidiPacket* mBuffer;        // byte 8: first packet; packets follow every 16 bytes
};
static_assert(offsetof(AAX_CMidiStream, mBuffer) == 8, "stream packets at byte 8");

// One plug-in identity as the property map's identifier-array properties carry it.
struct AAX_SPlugInIdentifierTriad
{
  AAX_CTypeID mManufacturerID;
  AAX_CTypeID mProductID;
  AAX_CTypeID mPlugInID;
};
