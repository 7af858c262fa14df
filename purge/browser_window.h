#pragma once
// Whether an Internet Explorer or MSN Explorer window is open, visible or
// hidden, among the machine's top-level windows.

#include <string>

namespace kp {

namespace win {
class Registry;
class WindowList;
} // namespace win

enum class BrowserKind { IE, MSN };

class BrowserWindows {
public:
    // `customTitle`: the browser's own window title (any case); empty
    // matches nothing.
    BrowserWindows(win::WindowList& windows, const std::string& customTitle);

    bool FindBrowserWindow(BrowserKind kind, bool visible) const;

private:
    win::WindowList& windows_;
    std::string customTitle_; // upper-cased
};

// The "Window Title" the user gave Internet Explorer (HKCU ...\Internet
// Explorer\Main), empty when there is none.
std::string ReadBrowserWindowTitle(win::Registry& registry);

} // namespace kp
