// The effect-GUI interface: what the host calls on the editor object of one plug-in instance.
// The host makes the object through the GUI factory of the effect description, initialises
// it with a host object that leads to the instance's effect parameters, hands it a view
// container when it opens the editor window and takes the container away (null) when it
// closes it. Slot numbers are given in the comments (0 to 2 are IACFUnknown's); the object
// answers IID_IAAXEffectGUIV1.
//
// Operations marked "offered by the host's interface only" have no meaning in this library;
// their answers are fixed.
#pragma once

#include "aax/interfaces/AAX_Types.h"
#include "aax/interfaces/ACFUnknown.h"
#include "aax/library/AAX_Errors.h"

class AAX_IACFEffectGUI : public IACFUnknown
{
public:
  // hostObject answers the instance's effect parameters (IID_IAAXEffectParametersV1), its
  // controller and its transport.
  virtual AAX_Result Init(IACFUnknown* hostObject) = 0;                                   // 3
  virtual AAX_Result Uninit() = 0;                                                        // 4
  // Offered by the host's interface only: answers 0.
  virtual AAX_Result HostOperation5() = 0;                                                // 5
  // A host view container (IID_IAAXViewContainerV1..V3) to open the editor in, or null to
  // close it.
  virtual AAX_Result SetViewContainer(IACFUnknown* viewContainer) = 0;                    // 6
  // size: height in vert, width in horz.
  virtual AAX_Result ReportEditorSize(AAX_Point* size) = 0;                               // 7
  // Offered by the host's interface only: answer 0.
  virtual AAX_Result HostOperation8() = 0;                                                // 8
  virtual AAX_Result HostOperation9() = 0;                                                // 9
  virtual AAX_Result OnParameterUpdated(const char* id) = 0;                             // 10
  // Offered by the host's interface only: answers -20004.
  virtual AAX_Result HostOperation11() = 0;                                               // 11
  // colour: the host's code of the highlight colour.
  virtual AAX_Result HighlightParameter(const char* id, bool highlighted, int32_t colour) = 0; // 12
};

// The library's name for the interface.
class AAX_IEffectGUI : public AAX_IACFEffectGUI
{
};
