// The host's record of what the plug-in sent it, as the tool prints it.
#pragma once

#include "standin/aaxhost/Host.h"

namespace aaxhost
{
// Prints the traces and assertions the plug-in sent the host. The counts are of everything
// the plug-in sent; a log longer than the host keeps shows its newest records and says so,
// rather than passing the kept part off as the whole.
void PrintHostLog(const Host& host);
} // namespace aaxhost
