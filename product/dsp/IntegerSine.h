#pragma once

namespace vellicor {

// sin(x) for a whole number x: the very double the library's std::sin returns, at a fraction
// of its cost. The noise generator takes the sine of huge whole numbers (up to 2^69), where
// the library spends hundreds of instructions on its argument reduction.
//
// How: x = m 2^e (m < 2^53) is reduced exactly, as m times a 128-bit window of the bits of
// 1/(2 pi), to a fraction of a turn; a table of sin(2 pi j / 256) and short series for the
// small remainder give the sine to within 2^-66 in fixed point. Where the true sine lies
// clearly nearer one double than any other (farther than 1/16 of a unit in the last place from
// the middle between two), that double is the correctly rounded sine and also what any sine
// accurate to 9/16 of a unit returns; glibc's stays within 0.52 on these arguments. Elsewhere
// (about one call in eight), and for anything but a finite whole number below 2^117, it
// returns std::sin(x) itself.
double IntegerSine(double x);

} // namespace vellicor
