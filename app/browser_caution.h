#pragma once
// The main window's browser-activity caution and the browser lines of its
// clipboard copy: which Internet Explorer or MSN Explorer windows are open.

#include <string>
#include <vector>

namespace kp {

class BrowserWindows;

struct BrowserCaution {
    bool shown = false;
    std::string text;          // IEcaution1's sentence
    bool historyYellow = false; // ticked boxes turn yellow while a browser runs
    bool urlsYellow = false;
};

// The first browser window found, in the order visible and hidden Internet
// Explorer, visible and hidden MSN Explorer, decides the sentence.
BrowserCaution CheckBrowserActivity(const BrowserWindows& browsers, bool historyTicked, bool urlsTicked);

// One line for each kind of browser window that is open.
std::vector<std::string> BrowserWindowLines(const BrowserWindows& browsers);

} // namespace kp
