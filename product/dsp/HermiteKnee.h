#pragma once

namespace vellicor {

// Magnitude of the cubic Hermite knee that leaves slope 1 at `start` and arrives with slope
// 0 at `end`, for a magnitude m strictly between the two (the caller handles the ends).
// The cubic never passes `end`, but rounding just below it can land one step above.
double HermiteKneeMagnitude(double m, double start, double end);

} // namespace vellicor
