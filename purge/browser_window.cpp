#include "purge/browser_window.h"

#include "platform/files/win_path.h"
#include "platform/registry/registry.h"
#include "platform/system/browser_windows.h"

#include <algorithm>

namespace kp {

namespace {
bool isIeWindow(const win::TopLevelWindow& w, const std::string& customTitle)
{
    const std::string cls = win::upperAscii(w.className);
    if (cls == "IEFRAME")
        return true;
    if (cls != "CABINETWCLASS")
        return false;
    const std::string title = win::upperAscii(w.title);
    return title.ends_with("MICROSOFT INTERNET EXPLORER") || (!customTitle.empty() && title.ends_with(customTitle));
}

bool isMsnWindow(const win::TopLevelWindow& w)
{
    const std::string cls = win::upperAscii(w.className);
    if (cls != "MSN6 WINDOW" && cls != "MSN9 WINDOW")
        return false;
    return std::any_of(w.childTitles.begin(), w.childTitles.end(),
                       [](const std::string& child) { return win::upperAscii(child) == "BROWSER"; });
}
} // namespace

BrowserWindows::BrowserWindows(win::WindowList& windows, const std::string& customTitle)
    : windows_(windows)
    , customTitle_(win::upperAscii(customTitle))
{
}

bool BrowserWindows::FindBrowserWindow(BrowserKind kind, bool visible) const
{
    for (const win::TopLevelWindow& w : windows_.topLevelWindows()) {
        if (w.visible != visible)
            continue;
        if (kind == BrowserKind::IE ? isIeWindow(w, customTitle_) : isMsnWindow(w))
            return true;
    }
    return false;
}

std::string ReadBrowserWindowTitle(win::Registry& registry)
{
    win::RegKey key;
    if (registry.openKey(win::RegRoot::CurrentUser, "Software\\Microsoft\\Internet Explorer\\Main", false, key))
        return {};
    std::string title;
    if (registry.queryString(key, "Window Title", title))
        return {};
    return title;
}

} // namespace kp
