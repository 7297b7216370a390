// One plug-in instance as the aaxhost tool drives it: made by the effect's instance factory
// for one of its components, initialised against the stand-in host, fed through the
// component's process procedure with a render context built from the component's declared
// fields, and asked for parameters and state chunks through the effect-parameters interface.
#pragma once

#include "aax/interfaces/AAX_IEffectParameters.h"
#include "aax/library/AAX_VTransport.h"
#include "standin/aaxhost/Host.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace aaxhost
{
struct ParameterInfo
{
  std::string id;
  std::string name;
  int32_t steps = 0;
  bool discrete = false;
  bool automatable = false;
  double defaultNormalized = 0.0;
  double normalized = 0.0;
  std::string text; // display text of the current value
};

class PluginInstance
{
public:
  PluginInstance(Host& host, const EffectDescriptor& effect);
  ~PluginInstance();
  PluginInstance(const PluginInstance&) = delete;
  PluginInstance& operator=(const PluginInstance&) = delete;

  // The component whose input stem has this many channels, or -1.
  int FindComponentForChannels(int inputChannels) const;
  int ComponentCount() const;
  // Tells the host the component's stem formats and the sample rate, makes the instance,
  // asks it for its effect-parameters interface, initialises it and its private data.
  bool Create(int componentIndex, float sampleRate);
  // Uninitialises and releases the instance (also done by the destructor).
  void Destroy();

  bool IsCreated() const { return mEffect != nullptr; }
  AAX_IACFEffectParameters* Effect() const { return mEffect; }
  const std::string& Error() const { return mError; }
  int InputChannels() const { return mInputChannels; }
  int OutputChannels() const { return mOutputChannels; }

  // ---- parameters ----
  std::vector<ParameterInfo> Parameters() const;
  // The identifier of the parameter with this identifier, else the first whose name matches
  // (ignoring case); "" when none.
  std::string FindParameter(const std::string& idOrName) const;
  // Display text converted by the plug-in's own parsing, then applied as a host update.
  AAX_Result SetFromText(const std::string& id, const std::string& text);
  // Normalised value applied as a host update.
  AAX_Result SetNormalized(const std::string& id, double normalized);
  // Display text -> normalised value, without applying it.
  AAX_Result ParseText(const std::string& id, const std::string& text, double* normalized) const;
  std::string ParameterText(const std::string& id) const;

  // ---- rendering ----
  bool CanRender() const { return mProcessProc != nullptr; }
  // The host's packet pass, then one call of the process procedure on these buffers
  // (InputChannels() inputs, OutputChannels() outputs, each `frames` long).
  void Render(float* const* inputs, float* const* outputs, int32_t frames);

  // ---- notifications ----
  AAX_Result Notify(AAX_CTypeID type, const void* data, uint32_t size);

  // ---- state ----
  // The first chunk's identifier (GetChunkIDAtIndex 0).
  AAX_Result ChunkID(AAX_CTypeID* id) const;
  AAX_Result GetChunk(AAX_CTypeID id, std::vector<uint8_t>& data) const;
  AAX_Result SetChunk(AAX_CTypeID id, const std::vector<uint8_t>& data);
  AAX_Result CompareChunk(AAX_CTypeID id, const std::vector<uint8_t>& data, bool* equal) const;

private:
  void BuildContext(const ComponentDescriptor& component);
  int64_t RunPacketPass();

  Host& mHost;
  const EffectDescriptor& mEffectDescriptor;
  AAX_IACFEffectParameters* mEffect = nullptr;
  std::string mError;
  int mInputChannels = 0;
  int mOutputChannels = 0;
  AAX_CProcessProc mProcessProc = nullptr;

  // Render context and the host-owned blocks its fields point to.
  void* mContext[AAX_kRenderFieldCount] = {};
  std::vector<std::vector<uint64_t>> mBlocks;
  int32_t mFrames = 0;
  float mSampleRate = 48000.0f;
  int64_t mDeliveredState = 0;
  int32_t mSideChainChannel = 0;
  std::unique_ptr<AAX_VTransport> mTransport;
  bool mHaveStateBase = false;
  int64_t mStateBase = 0;
  int64_t mPasses = 0;
  size_t mPacketsSeen = 0;
};
} // namespace aaxhost
