#include "app/browser_caution.h"

#include "purge/browser_window.h"

namespace kp {

namespace {
struct BrowserTest {
    BrowserKind kind;
    bool visible;
    const char* caution;
    const char* copyLine;
};

constexpr BrowserTest kTests[] = {
    {BrowserKind::IE, true, "Internet Explorer is active with a visible window.", "    Visible I.E. Window found"},
    {BrowserKind::IE, false, "Internet Explorer is active with a hidden window.", "    Invisible I.E. Window found"},
    {BrowserKind::MSN, true, "MSN Explorer is active with a visible window.", "    Visible MSN Window found"},
    {BrowserKind::MSN, false, "MSN Explorer is active with a hidden window.", "    Invisible MSN Window found"},
};
} // namespace

BrowserCaution CheckBrowserActivity(const BrowserWindows& browsers, bool historyTicked, bool urlsTicked)
{
    for (const BrowserTest& test : kTests) {
        if (browsers.FindBrowserWindow(test.kind, test.visible))
            return {true, test.caution, historyTicked, urlsTicked};
    }
    return {};
}

std::vector<std::string> BrowserWindowLines(const BrowserWindows& browsers)
{
    std::vector<std::string> lines;
    for (const BrowserTest& test : kTests) {
        if (browsers.FindBrowserWindow(test.kind, test.visible))
            lines.emplace_back(test.copyLine);
    }
    return lines;
}

} // namespace kp
