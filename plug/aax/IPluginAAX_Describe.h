#pragma once
// The effect description a bundle gives the host at registration: names, category, one
// component per channel-I/O configuration (fields, MIDI and transport nodes, property map,
// process procedure), the two factories, the effect identifier, manufacturer and version.
//
// The description is generic: everything product-specific comes in an IPluginAAXEffectInfo
// record that the product supplies (see AAXEntryPoints.h for how a bundle hands it over).

#include "aax/interfaces/AAX_Types.h"
#include "aax/library/AAX_Errors.h"
#include "aax/interfaces/AAX_IEffectParameters.h"

#include <cstdint>
#include <mutex>
#include <utility>

class AAX_ICollection;
class AAX_IEffectDescriptor;

namespace plug {

struct IChannelIOConfig;

constexpr int32_t kMaxAdditionalMIDINodes = 15;
constexpr int32_t kMaxAuxOutputStems = 32;
constexpr AAX_CTypeID kAAXTypeIDNone = AAX_MakeFourCC('n', 'o', 'n', 'e');

// The host's stem format for a channel count (1..10 and 16), AAX_eStemFormat_None otherwise.
int32_t AAXStemFormatForChannels(int channels);

// What one component is described from. DescribeEffects resets it to these defaults before
// FillSetupInfo fills in the configuration's values.
struct IPluginAAXSetupInfo
{
  bool mNeedsGlobalMIDI = false;
  const char* mGlobalMIDINodeName = "GlobalMIDI";
  uint32_t mGlobalMIDIEventMask = 0xffff;
  bool mNeedsInputMIDI = false;
  const char* mInputMIDINodeName = "InputMIDI";
  uint32_t mInputMIDIChannelMask = 0xffff;
  int32_t mNumAdditionalInputMIDINodes = 0;
  bool mNeedsOutputMIDI = false;
  const char* mOutputMIDINodeName = "OutputMIDI";
  uint32_t mOutputMIDIChannelMask = 0xffff;
  bool mNeedsTransport = false;
  const char* mTransportMIDINodeName = "Transport";
  int32_t mNumMeters = 0;
  const uint32_t* mMeterIDs = nullptr;
  int32_t mNumAuxOutputStems = 0;
  const char* mAuxOutputStemNames[kMaxAuxOutputStems] = {};
  int32_t mAuxOutputStemFormats[kMaxAuxOutputStems] = {};
  int32_t mHybridInputStemFormat = AAX_eStemFormat_None;
  int32_t mHybridOutputStemFormat = AAX_eStemFormat_None;
  int32_t mInputStemFormat = AAX_eStemFormat_Mono;
  int32_t mOutputStemFormat = AAX_eStemFormat_Mono;
  bool mUseHostGeneratedGUI = false;   // property 151
  bool mCanBypass = true;              // property 60
  bool mWantsSideChain = false;        // property 116, field 26
  AAX_CTypeID mManufacturerID = kAAXTypeIDNone;
  AAX_CTypeID mProductID = kAAXTypeIDNone;
  AAX_CTypeID mPluginID = kAAXTypeIDNone;           // native type identifier
  AAX_CTypeID mAudiosuiteID = kAAXTypeIDNone;       // AudioSuite type identifier
  bool mMultiMonoSupport = true;       // property 304 (0 is added when false)
  int32_t mLatency = 0;                // property 56

  // Storage for the "Output %i" names the auxiliary stem names point to.
  char mAuxOutputStemNameStore[kMaxAuxOutputStems][16] = {};

  IPluginAAXSetupInfo()
  {
    for (int32_t& format : mAuxOutputStemFormats)
      format = AAX_eStemFormat_Mono;
  }
  // The record holds pointers into itself: never copied.
  IPluginAAXSetupInfo(const IPluginAAXSetupInfo&) = delete;
  IPluginAAXSetupInfo& operator=(const IPluginAAXSetupInfo&) = delete;
  // Back to the defaults above.
  void Reset();
};

// The product-specific values of the description.
struct IPluginAAXEffectInfo
{
  // Effect and package names separated by newlines ("Vellicor\nTQNV").
  const char* mNames = "";
  uint32_t mCategory = 0;
  // Channel-I/O configurations, e.g. "1-1 2-2".
  const char* mChannelIOText = "";
  // Type identifiers by configuration index; a configuration beyond the tables cannot be
  // described (an assertion, and the description fails with -20043).
  const AAX_CTypeID* mNativeTypeIDs = nullptr;
  int32_t mNumNativeTypeIDs = 0;
  const AAX_CTypeID* mAudioSuiteTypeIDs = nullptr;
  int32_t mNumAudioSuiteTypeIDs = 0;
  AAX_CTypeID mManufacturerID = kAAXTypeIDNone;
  AAX_CTypeID mProductID = kAAXTypeIDNone;
  const char* mEffectID = "";
  const char* mManufacturerName = "";
  uint32_t mPackageVersion = 0;
  // Name of the input and output MIDI nodes.
  const char* mMIDINodeName = "";
  // The render callback registered with every component.
  AAX_CProcessProc mProcessProc = nullptr;
  // Instance factory (procedure kind 0; see AAXCreateInstance below) and editor factory
  // (kind 1; null: no editor procedure is offered).
  AAX_CCreateObjectProc mCreateInstance = nullptr;
  AAX_CCreateObjectProc mCreateGUI = nullptr;
};

// Fills the configuration's values into the record: stem formats of the first input and
// output bus, auxiliary output stems ("Output 2", ...), identifiers, MIDI node names (nodes
// off, mask 1), transport node on, bypass property on, property 56 = 0.
void FillSetupInfo(const IChannelIOConfig& config, const IPluginAAXEffectInfo& info, AAX_CTypeID nativeID,
                   AAX_CTypeID audioSuiteID, IPluginAAXSetupInfo& setup);

// Describes one component on the effect descriptor: context fields 0..26, property map,
// process procedure. Throws AAX::Exception::ResultError with the first failing host result;
// -20004 when the descriptor gives no component descriptor or property map.
AAX_Result DescribeAAXComponent(AAX_IEffectDescriptor& effect, const IPluginAAXSetupInfo& setup,
                                AAX_CProcessProc processProc);

// The whole description on the collection. Returns the OR of the results (0 on success);
// -20004 when the collection gives no effect descriptor. Component failures throw (see above)
// and are caught by registration.
AAX_Result DescribeEffects(AAX_ICollection* collection, const IPluginAAXEffectInfo& info);

// ---- instance factory ----

// Serialises the construction of plug-in instances across the process.
std::mutex& AAXInstanceMutex();

// The body of a product's instance factory: constructs one T under the instance mutex and
// returns it as the host's effect-parameters object (reference count 0; the host's first
// QueryInterface takes the first reference). Anything thrown gives null.
template <class T, class... Args>
IACFUnknown* AAXCreateInstance(Args&&... args) noexcept
{
  try
  {
    std::lock_guard<std::mutex> lock(AAXInstanceMutex());
    T* instance = new T(std::forward<Args>(args)...);
    return static_cast<AAX_IEffectParameters*>(instance);
  }
  catch (...)
  {
    return nullptr;
  }
}

} // namespace plug
