#pragma once
// The placement text of a window in the settings file: the state digit
// (0 normal, 1 minimised, 2 maximised), then Top, Left, Height and Width,
// separated by single blanks ("0 120 200 450 620"); a maximised window is
// the single digit "2"; "Default" asks for the designed placement.

#include <optional>
#include <string>
#include <string_view>

namespace kp {

struct StoredPlacement {
    int state = 0;
    int top = 0, left = 0, height = 0, width = 0;
};

// Nullopt when the text does not parse.
std::optional<StoredPlacement> ParsePlacement(std::string_view text);
std::string FormatPlacement(const StoredPlacement& placement);

// Where a window opens.
struct WindowPlacement {
    enum Kind { Centred, Designed, Stored };
    Kind kind = Centred;  // Centred: screen-centred in the designed size
    bool maximised = false;
    int top = 0, left = 0, height = 0, width = 0;
};

struct ScreenMetrics {
    int width = 1024;
    int height = 768;
    int pixelsPerInch = 96;
};

// The designed size is 620 x 450 at 96 pixels per inch.
WindowPlacement PlaceWindow(std::string_view text, const ScreenMetrics& screen, int designedHeight = 450,
                            int designedWidth = 620);

// MulDiv: a * b / c rounded to the nearest integer.
int MulDiv(int a, int b, int c);

} // namespace kp
