#pragma once
// The product's configuration record and parameter set. The plug-in's constructor passes
// MakeVellicorConfig() down its base chain and then calls DefineVellicorParameters on the
// parameters the editor delegate created.
#include "plug/IPluginConfig.h"
#include "product/VellicorConstants.h"

namespace plug {
class IParam;
class IEditorDelegate;
} // namespace plug

// The configuration every framework base is built from: 33 parameters, 30 presets,
// "1-1 2-2", names, codes, version 1.0.6, editor 900 x 500 (900..2700 x 500..1500).
plug::IPluginConfig MakeVellicorConfig();

// Defines parameter index (0..kNumParams-1) of the product on param. The value becomes the
// default.
void DefineVellicorParameter(plug::IParam& param, int index);

// Defines all kNumParams parameters of the delegate (which must hold at least that many).
void DefineVellicorParameters(plug::IEditorDelegate& delegate);
