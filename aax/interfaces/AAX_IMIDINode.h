// A MIDI node as the render context's MIDI fields (4, 5, 6, 8..22) point to it: valid for the
// duration of one render call, owned by the host.
#pragma once

#include "aax/interfaces/AAX_Types.h"
#include "aax/library/AAX_Errors.h"

class AAX_IMIDINode
{
public:
  virtual ~AAX_IMIDINode() = default;
  // The packets that arrived for this call (input nodes); never null, count 0 when none.
  virtual AAX_CMidiStream* GetNodeBuffer() = 0;
  // Sends one packet (output nodes); the host copies it.
  virtual AAX_Result PostMIDIPacket(AAX_CMidiPacket* inPacket) = 0;
};
