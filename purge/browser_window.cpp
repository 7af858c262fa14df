#include "purge/browser_window.h"

#include "platform/registry/registry.h"
#include "platform/system/browser_windows.h"

#include <algorithm>
#include <cctype>

namespace kp {

namespace {
std::string upper(std::string text)
{
    for (char& c : text)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool isIeWindow(const win::TopLevelWindow& w, const std::string& customTitle)
{
    const std::string cls = upper(w.className);
    if (cls == "IEFRAME")
        return true;
    if (cls != "CABINETWCLASS")
        return false;
    const std::string title = upper(w.title);
    return title.ends_with("MICROSOFT INTERNET EXPLORER") || (!customTitle.empty() && title.ends_with(customTitle));
}

bool isMsnWindow(const win::TopLevelWindow& w)
{
    const std::string cls = upper(w.className);
    if (cls != "MSN6 WINDOW" && cls != "MSN9 WINDOW")
        return false;
    return std::any_of(w.childTitles.begin(), w.childTitles.end(),
                       [](const std::string& child) { return upper(child) == "BROWSER"; });
}
} // namespace

BrowserWindows::BrowserWindows(win::WindowList& windows, const std::string& customTitle)
    : windows_(windows)
    , customTitle_(upper(customTitle))
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
