#pragma once
// Drives a VellicorEngine the way the plug-in will: a reset, then blocks of a given size.
// The signals and the block driver are shared with the measurement tool.
#include "product/engine/TestSignals.h"
#include "product/engine/VellicorEngine.h"

namespace enginetest {

using vellicor::EngineParams;
using vellicor::VellicorEngine;
using namespace vellicor::testsignals;

} // namespace enginetest
