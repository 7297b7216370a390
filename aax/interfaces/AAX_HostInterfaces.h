// The whole set of host-boundary declarations, shared by the plug-in and the host stand-in.
//
// Two layers:
// - Host component interfaces (AAX_IACF*.h, ACFObjectFactory.h): what the host implements.
//   Reference counted through IACFUnknown (ACFUnknown.h), reached by 16-byte identifiers
//   (AAX_UIDs.h), several in more than one version; version n + 1 derives from version n, so
//   "host slot k" is the k-th virtual slot of every version that has it.
// - Plug-in-side interfaces (AAX_I*.h without ACF): what the library's version-adapting
//   wrappers (aax/library/AAX_V*) implement and the plug-in calls. Slot 0 and 1 are the
//   destructors; the comment beside each operation gives its slot.
// The other direction, what the plug-in implements and the host calls, is the
// effect-parameters interface in AAX_IEffectParameters.h (not included here).
//
// How objects are reached:
//   host object (Init, start-up, registration)
//     QueryInterface → controller V1..V3, automation delegate V1, transport V1..V3,
//                      page-table services V1/V2, object factory, description host,
//                      host definition
//     object factory → host services V1 (V2, V3 queried on it), collection, effect
//                      descriptor V1 (V2 queried), component descriptor V1 (V2, V3),
//                      property map V1 (V2, V3), empty page table (class IID_IAAXPageTableV1)
//   host collection → IID_IACFPluginDefinition: what registration hands back to the host
//
// Decisions taken where the host's behaviour is ours to fix (each documented at its place):
// - Object factory: one CreateInstance(class, interface, out) call per object; the result
//   carries the caller's only reference (ACFObjectFactory.h).
// - Render procedure: registered with component-descriptor host slot 16
//   (AddProcessProc_Native: procedure, property map, optional init and background
//   procedures, out identifier); plug-in side AAX_IComponentDescriptor slot 19.
// - Render callback: void(AAX_RenderContext const* begin, const void* end), one context per
//   instance, each an array of field pointers indexed by field number (AAX_Types.h).
// - Transport field (7): an AAX_ITransport* valid for the call (AAX_Types.h).
// - MIDI fields: AAX_IMIDINode* valid for the call (AAX_IMIDINode.h).
// - Point: two floats, vertical (height) first, then horizontal (width) (AAX_Types.h).
// - Page tables from the controller: the plug-in makes an empty table through the factory and
//   the page-table service fills it (AAX_IACFController.h).
// - Host slots 3 to 6 of the collection are the host's own; the library never calls them.
#pragma once

#include "aax/interfaces/ACFObjectFactory.h"
#include "aax/interfaces/ACFUnknown.h"
#include "aax/interfaces/AAX_IACFAutomationDelegate.h"
#include "aax/interfaces/AAX_IACFCollection.h"
#include "aax/interfaces/AAX_IACFComponentDescriptor.h"
#include "aax/interfaces/AAX_IACFController.h"
#include "aax/interfaces/AAX_IACFDescriptionHost.h"
#include "aax/interfaces/AAX_IACFEffectDescriptor.h"
#include "aax/interfaces/AAX_IACFHostServices.h"
#include "aax/interfaces/AAX_IACFPageTable.h"
#include "aax/interfaces/AAX_IACFPropertyMap.h"
#include "aax/interfaces/AAX_IACFTransport.h"
#include "aax/interfaces/AAX_IACFViewContainer.h"
#include "aax/interfaces/AAX_IAutomationDelegate.h"
#include "aax/interfaces/AAX_ICollection.h"
#include "aax/interfaces/AAX_IComponentDescriptor.h"
#include "aax/interfaces/AAX_IController.h"
#include "aax/interfaces/AAX_IDescriptionHost.h"
#include "aax/interfaces/AAX_IEffectDescriptor.h"
#include "aax/interfaces/AAX_IFeatureInfo.h"
#include "aax/interfaces/AAX_IHostServices.h"
#include "aax/interfaces/AAX_IMIDINode.h"
#include "aax/interfaces/AAX_IPageTable.h"
#include "aax/interfaces/AAX_IPropertyMap.h"
#include "aax/interfaces/AAX_ITransport.h"
#include "aax/interfaces/AAX_IViewContainer.h"
#include "aax/interfaces/AAX_Types.h"
#include "aax/interfaces/AAX_UIDs.h"
