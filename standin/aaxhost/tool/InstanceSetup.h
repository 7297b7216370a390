// The instance a command works on: made for a component at a rate, told the track's name,
// its state loaded from a file and its settings applied.
#pragma once

#include "standin/aaxhost/tool/CommandLine.h"
#include "standin/aaxhost/tool/PluginInstance.h"

#include <string>
#include <vector>

namespace aaxhost
{
// Loads a --state file into the instance before anything else is set.
bool LoadStateFile(PluginInstance& instance, const std::string& path);

// The values the plug-in holds itself (its reactions to the settings included). Every
// parameter whose value the host held apart from the plug-in's until then is printed; with
// `sayAgreement` a host that held every value prints so too.
std::vector<ParameterInfo> PluginValues(PluginInstance& instance, bool sayAgreement = false);

// "1 in, 1 out", with any side-chain input and auxiliary outputs.
std::string LayoutText(const ComponentLayout& layout);

// Makes component `config` at `rate` and tells it --track-name; false (printed) when it
// cannot be made.
bool CreateInstance(PluginInstance& instance, const Options& options, int config, double rate);

// The instance of a command that works on one: component --config (else 0) at --rate (else
// 48 kHz), --state loaded, then every --set applied. kExitOK, or the exit code of the failure.
int PrepareInstance(PluginInstance& instance, const Options& options);
} // namespace aaxhost
