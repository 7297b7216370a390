#pragma once
// Which thread is the main thread: the one that runs the main run loop, its timers and the
// editor. The platform answers for any thread at any time (on macOS pthread_main_np); here the
// Foundation stand-in does.

namespace plug {

// True on the main thread only.
bool IsMainThread();

} // namespace plug
