// Parameters named on the command line, and their values from the texts given: display texts
// parsed by the plug-in, or normalised values.
#pragma once

#include "standin/aaxhost/tool/CommandLine.h"
#include "standin/aaxhost/tool/PluginInstance.h"

#include <string>
#include <vector>

namespace aaxhost
{
// Resolves the parameter of a setting; prints and returns "" when there is none.
std::string ResolveParameter(const PluginInstance& instance, const std::string& parameter);

// The parameter's description; empty when the instance has no parameter `id`.
ParameterInfo InfoOf(const PluginInstance& instance, const std::string& id);

// The normalised value of a setting's text. False with the reason when the plug-in refuses
// the text; `note` tells when the value lies outside the range and is clamped.
bool ReadValue(const PluginInstance& instance, const std::string& id, const std::string& text, bool normalized,
               double& out, std::string& error, std::string& note);

// Applies every setting in turn, printing each value set (and why a value was clamped).
// False (printed) at the first that cannot be applied.
bool ApplySettings(PluginInstance& instance, const std::vector<Setting>& settings);
} // namespace aaxhost
