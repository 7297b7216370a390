#pragma once

namespace plug {

// What a plug-in format's instance factory hands to a new plug-in object. The AAX host passes
// everything through its interfaces after construction, so this carries nothing for AAX; it
// keeps the product constructor's signature the same whatever format creates it.
struct InstanceInfo
{
};

} // namespace plug
