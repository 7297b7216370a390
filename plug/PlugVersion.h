#pragma once

namespace plug {

// Version of the framework and a one-line description of this build.
const char* FrameworkVersion();
const char* BuildDescription();

} // namespace plug
