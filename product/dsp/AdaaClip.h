#pragma once
#include <vector>

namespace vellicor {

// Hard clip to [-1, 1] with second-order antiderivative anti-aliasing, as used by the limit
// stage. State is kept per (row, column): the engine uses one row per channel, column 0.
class AdaaClip
{
public:
  static constexpr double kTolerance = 1e-5;
  // Inputs are limited to this magnitude (NaN counts as 0) so that a wild sample cannot
  // overflow the antiderivatives and leave the channel's state broken for good.
  static constexpr double kInputLimit = 1e6;

  explicit AdaaClip(int rows = 2, int columns = 2);

  // Resizes and clears all state (allocates; not for the audio thread).
  void Resize(int rows, int columns);

  // The clipped sample for (row, col). Outside the state table it returns the plain clamp.
  double Process(int row, int col, double x);

  void ClearRow(int row);
  void Clear();

  int NRows() const { return mRows; }
  int NColumns() const { return mColumns; }

  // First and second antiderivatives of the hard clip.
  static double F1(double x);
  static double F2(double x);

private:
  struct State
  {
    double x1 = 0.0;     // previous input
    double x2 = 0.0;     // input before that
    double f2Prev = 0.0; // F2 at x1
    double d1Prev = 0.0; // previous first divided difference
    double f2 = 0.0;     // scratch: F2 of the current input
  };

  int mRows = 0;
  int mColumns = 0;
  std::vector<State> mStates;
};

} // namespace vellicor
