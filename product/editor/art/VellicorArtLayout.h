#pragma once
// Where the editor's art puts things, in editor points (900 x 500), and the point sizes of
// the bitmaps. The control rectangles are the editor layout's; the art only paints around
// and under them.

namespace vellicor {
namespace art {

// Pixels per point of the files written ("name@2x.png").
constexpr int kArtScale = 2;
constexpr int kEditorW = 900;
constexpr int kEditorH = 500;

// Frame sizes in points; frames are stacked vertically.
constexpr int kLampW = 24, kLampH = 24;   // LEDON.png, 2 frames
constexpr int kTapeW = 96, kTapeH = 16;   // TAPEOVER.png, 2 frames
constexpr int kPlateH = 14;               // the switch plates, 2 frames each
constexpr int kStereoW = 60;              // MSStereo.png
constexpr int kBalanceW = 40;             // Balance.png
constexpr int kDeltaW = 48;               // Delta.png
constexpr int kLinkW = 40;                // LINK.png
constexpr int kSaveW = 18, kSaveH = 18;   // Save.png, 1 frame
constexpr int kTrashW = 16, kTrashH = 18; // Trash.png, 1 frame

struct Box
{
  float l, t, r, b;
};
inline float Mid(const Box& b) { return (b.l + b.r) / 2.f; }

struct TextMark
{
  const char* text;
  float x, y; // centre
};

constexpr Box kTopBar{0.f, 0.f, 900.f, 28.f};
constexpr Box kBottomBar{0.f, 450.f, 900.f, 500.f};
constexpr Box kPresetBox{250.f, 1.f, 630.f, 26.f};
constexpr Box kDriveSection{50.f, 78.f, 244.f, 414.f};
constexpr Box kImpedanceSection{656.f, 78.f, 850.f, 414.f};
constexpr Box kDriveKnob{74.f, 112.f, 220.f, 258.f};
constexpr Box kDriveToneKnob{109.f, 313.f, 185.f, 389.f};
constexpr Box kImpedanceKnob{680.f, 112.f, 826.f, 258.f};
constexpr Box kImpedanceToneKnob{715.f, 313.f, 791.f, 389.f};
constexpr Box kAirKnob{740.f, 267.f, 766.f, 293.f};
constexpr Box kTiltWell{106.f, 259.f, 188.f, 308.f};
constexpr TextMark kLogo{"VELLICOR", 450.f, 130.f};

// The names of the small controls, in the bars and beside the power lamp.
constexpr TextMark kBarLabels[] = {
  {"IN", 22.f, 489.f},    {"OUT", 200.f, 489.f},  {"BAL", 320.f, 466.f}, {"LC", 460.f, 489.f},
  {"HC", 576.f, 466.f},   {"MODE", 688.f, 488.f}, {"WET", 690.f, 14.f},  {"LEVEL", 806.f, 13.f},
  {"POWER", 347.f, 252.f},
};

} // namespace art
} // namespace vellicor
