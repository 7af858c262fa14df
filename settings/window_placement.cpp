#include "settings/window_placement.h"

#include "settings/settings_file.h"

#include <cstdint>
#include <cstdlib>

namespace kp {

std::optional<StoredPlacement> ParsePlacement(std::string_view text)
{
    if (text.empty() || text[0] < '0' || text[0] > '9')
        return std::nullopt;
    StoredPlacement p;
    const int digit = text[0] - '0';
    p.state = digit <= 2 ? digit : 0;
    if (p.state == 2)
        return p;
    std::size_t blanks[4];
    std::size_t from = 0;
    for (std::size_t& blank : blanks) {
        blank = text.find(' ', from);
        if (blank == std::string_view::npos)
            return std::nullopt;
        from = blank + 1;
    }
    std::optional<int> numbers[4];
    for (int i = 0; i < 4; ++i) {
        const std::size_t start = blanks[i] + 1;
        const std::size_t end = i < 3 ? blanks[i + 1] : text.size();
        numbers[i] = SettingsFile::parseNumber(text.substr(start, end - start));
        if (!numbers[i])
            return std::nullopt;
    }
    p.top = *numbers[0];
    p.left = *numbers[1];
    p.height = *numbers[2];
    p.width = *numbers[3];
    return p;
}

std::string FormatPlacement(const StoredPlacement& p)
{
    if (p.state == 2)
        return "2";
    return std::to_string(p.state) + " " + std::to_string(p.top) + " " + std::to_string(p.left) + " "
        + std::to_string(p.height) + " " + std::to_string(p.width);
}

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const std::int64_t product = std::int64_t(a) * b;
    const std::int64_t half = std::llabs(c) / 2;
    const std::int64_t rounded = (product >= 0) == (c > 0) ? (product + (product >= 0 ? half : -half)) / c
                                                           : (product - (product >= 0 ? half : -half)) / c;
    return int(rounded);
}

WindowPlacement PlaceWindow(std::string_view text, const ScreenMetrics& screen, int designedHeight,
                            int designedWidth)
{
    WindowPlacement w;
    w.height = designedHeight;
    w.width = designedWidth;
    if (text == "Default") {
        w.kind = WindowPlacement::Designed;
        if (screen.pixelsPerInch >= 120) {
            w.height = MulDiv(designedHeight, screen.pixelsPerInch, 96);
            w.width = MulDiv(designedWidth, screen.pixelsPerInch, 96);
        }
        return w;
    }
    const std::optional<StoredPlacement> stored = ParsePlacement(text);
    if (!stored)
        return w;
    if (stored->state == 2) {
        w.kind = WindowPlacement::Designed;
        w.maximised = true;
        return w;
    }
    w.kind = WindowPlacement::Stored;
    w.top = stored->top;
    w.left = stored->left;
    // A window that would open in the last fifth of the screen goes to the corner.
    if (std::int64_t(w.top) * 10 > std::int64_t(screen.height) * 8
        || std::int64_t(w.left) * 10 > std::int64_t(screen.width) * 8) {
        w.top = 0;
        w.left = 0;
    }
    w.height = stored->height;
    w.width = stored->width;
    return w;
}

} // namespace kp
