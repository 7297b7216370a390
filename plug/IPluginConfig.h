#pragma once
// The construction record the product class fills and passes down to every framework base.

#include <cstdint>

namespace plug {

enum EPluginKind : int32_t
{
  kPluginEffect = 0,
  kPluginInstrument = 1,
  kPluginMidiEffect = 2,
  kPluginGenerator = 3
};

// Packs four characters into a code, the first character in the most significant byte.
constexpr int32_t FourCharCode(char a, char b, char c, char d)
{
  return static_cast<int32_t>((static_cast<uint32_t>(static_cast<unsigned char>(a)) << 24) |
                              (static_cast<uint32_t>(static_cast<unsigned char>(b)) << 16) |
                              (static_cast<uint32_t>(static_cast<unsigned char>(c)) << 8) |
                              static_cast<uint32_t>(static_cast<unsigned char>(d)));
}

struct IPluginConfig
{
  int32_t paramCount = 0;
  int32_t presetCount = 0;
  // Channel I/O configurations, e.g. "1-1 2-2" (see IPluginProcessor::ParseIOSpec).
  const char* channelIOText = "";
  const char* pluginName = "";
  const char* productName = "";
  const char* makerName = "";
  // major << 16 | minor << 8 | patch
  int32_t pluginVersion = 0;
  int32_t uniqueCode = 0;
  int32_t makerCode = 0;
  int32_t latency = 0;
  bool midiIn = false;
  bool midiOut = false;
  bool mpe = false;
  bool stateChunks = false;
  EPluginKind pluginKind = kPluginEffect;
  bool hasEditor = false;
  int32_t editorWidth = 0;
  int32_t editorHeight = 0;
  // The consumer stores each pair ordered, smaller first.
  int32_t minWidth = 0;
  int32_t maxWidth = 0;
  int32_t minHeight = 0;
  int32_t maxHeight = 0;
  // Kept for completeness; nothing reads it.
  bool extraFlag = false;
  // May be null.
  const char* bundleID = nullptr;
  const char* appGroupID = nullptr;
};

} // namespace plug
