#include "plug/HostIdentification.h"

#include <cctype>
#include <cstring>

namespace plug {

namespace {

struct HostEntry
{
  const char* text;
  int id;
};

// The order matters: an entry must come before any shorter entry it contains
// ("wavelab elements" before "wavelab"), and the catch-alls come last.
constexpr HostEntry kHostTable[] = {
  {"reaper", kHostReaper},
  {"protools", kHostProTools},
  {"cubase", kHostCubase},
  {"nuendo", kHostNuendo},
  {"cakewalk", kHostSonar},
  {"vegas", kHostVegas},
  {"fruity", kHostFL},
  {"samplitude", kHostSamplitude},
  {"live", kHostAbletonLive},
  {"tracktion", kHostTracktion},
  {"ntracks", kHostNTracks},
  {"melodyne", kHostMelodyneStudio},
  {"vstmanlib", kHostVSTScanner},
  {"aulab", kHostAULab},
  {"forte", kHostForte},
  {"chainer", kHostChainer},
  {"audition", kHostAudition},
  {"orion", kHostOrion},
  {"bias", kHostBias},
  {"sawstudio", kHostSAWStudio},
  {"logic", kHostLogic},
  {"garageband", kHostGarageBand},
  {"digital", kHostDigitalPerformer},
  {"audiomulch", kHostAudioMulch},
  {"presonus", kHostStudioOne},
  {"vst3plugintesthost", kHostVST3TestHost},
  {"ardour", kHostArdour},
  {"renoise", kHostRenoise},
  {"openmpt", kHostOpenMPT},
  {"wavelab elements", kHostWaveLabElements},
  {"wavelab", kHostWaveLab},
  {"twistedwave", kHostTwistedWave},
  {"bitwig studio", kHostBitwig},
  {"reason", kHostReason},
  {"gwvst", kHostGoldWave5x},
  {"waveform", kHostWaveform},
  {"audacity", kHostAudacity},
  {"acoustica", kHostAcoustica},
  {"plugindoctor", kHostPluginDoctor},
  {"izotope rx", kHostiZotopeRX},
  {"savihost", kHostSAVIHost},
  {"blue cat's vst host", kHostBlueCat},
  {"mixbus", kHostMixbus},
  {"standalone", kHostStandalone},
  {"www", kHostWWW},
};

constexpr size_t kMaxHostNameChars = 255;

} // namespace

int LookUpHostId(const char* name)
{
  if (!name)
    return kHostUnknown;
  char lower[kMaxHostNameChars + 1];
  size_t n = 0;
  for (; n < kMaxHostNameChars && name[n]; ++n)
    lower[n] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[n])));
  lower[n] = '\0';

  for (const HostEntry& entry : kHostTable)
  {
    if (std::strstr(lower, entry.text))
      return entry.id;
  }
  return kHostUnknown;
}

} // namespace plug
