// The tool's commands, one file each. Each prints its report and returns the tool's exit code
// (CommandLine.h); `aaxhost help COMMAND` tells what each does. All but cycles work on the
// bundle main() has loaded and registered, through the first effect of its collection.
#pragma once

#include "standin/aaxhost/Collection.h"
#include "standin/aaxhost/Host.h"
#include "standin/aaxhost/tool/BundleLoader.h"
#include "standin/aaxhost/tool/CommandLine.h"

namespace aaxhost
{
// The library version and the effect description the bundle registered.
int CommandDescribe(const BundleLoader& bundle, const Collection& collection);
// Every host parameter of an instance.
int CommandParams(const Collection& collection, Host& host, const Options& options);
// IN.wav through an instance into OUT.wav.
int CommandRender(const Collection& collection, Host& host, const Options& options);
// State chunks loaded, saved and compared.
int CommandState(const Collection& collection, Host& host, const Options& options);
// The editor opened and closed in a host window, input replayed, pictures taken.
int CommandEditor(const Collection& collection, Host& host, const Options& options);
// The editor open while IN.wav renders into OUT.wav (see EditorPlayback.h).
int CommandEditorWithAudio(const Collection& collection, Host& host, const Options& options);
// Loads, registers, instantiates, releases and unloads the bundle `count` times, each with a
// fresh host, checking that nothing stays alive.
int CommandCycles(const Options& options);
} // namespace aaxhost
