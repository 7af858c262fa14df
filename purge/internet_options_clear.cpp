#include "purge/internet_options_clear.h"

#include "core/qt_text.h"
#include "platform/files/win_path.h"
#include "platform/system/program_run.h"
#include "platform/system/system_info.h"
#include "purge/purge_context.h"
#include "purge/purge_report.h"
#include "settings/folder_set.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

namespace kp {

namespace {

using Clock = std::chrono::steady_clock;

// "Htrace - <step> - K = <tries> - <ms since the last line> msec - <text>".
class Trace {
public:
    explicit Trace(PurgeContext& context)
        : context_(context)
        , last_(Clock::now())
    {
    }

    void operator()(const char* step, int tries, const std::string& lastText)
    {
        if (!context_.folders.trace)
            return;
        const Clock::time_point now = Clock::now();
        char elapsed[48];
        std::snprintf(elapsed, sizeof elapsed, "%.2f msec",
                      std::chrono::duration<double, std::milli>(now - last_).count());
        last_ = now;
        context_.report.AddReportLineQuiet(q(std::string("Htrace - ") + step + " - K = " + std::to_string(tries)
                                             + " - " + elapsed + " - " + lastText));
    }

private:
    PurgeContext& context_;
    Clock::time_point last_;
};

// One repeated look at the machine's windows.
struct Search {
    int tries = 0;
    std::string lastText; // the last window text examined
};

// Lists the windows up to `tries` times, 50 ms apart, until `match` finds
// what it looks for; stops at once when the windows cannot be listed.
template <typename Match>
bool search(const InternetOptionsControl& control, int tries, Search& s, Match match)
{
    for (s.tries = 1; s.tries <= tries; ++s.tries) {
        std::vector<win::SessionWindow> windows;
        if (control.windows.list(windows) != win::err::SUCCESS)
            return false;
        if (match(windows))
            return true;
        if (s.tries < tries)
            control.pause(50);
    }
    s.tries = tries;
    return false;
}

bool startsWithAny(const std::string& upper, std::initializer_list<const char*> prefixes)
{
    for (const char* prefix : prefixes)
        if (upper.starts_with(prefix))
            return true;
    return false;
}

const win::SessionWindow* byHandle(const std::vector<win::SessionWindow>& windows, win::WindowHandle handle)
{
    for (const win::SessionWindow& w : windows)
        if (w.handle == handle)
            return &w;
    return nullptr;
}

// A child of `owner` captioned one of `captions` (upper-cased comparison).
bool findButton(const InternetOptionsControl& control, int tries, Search& s, win::WindowHandle owner,
                std::initializer_list<const char*> captions, int& controlId)
{
    return search(control, tries, s, [&](const std::vector<win::SessionWindow>& windows) {
        const win::SessionWindow* window = byHandle(windows, owner);
        if (!window)
            return false;
        for (const win::ChildWindow& child : window->children) {
            s.lastText = child.title;
            const std::string caption = win::upperAscii(child.title);
            for (const char* wanted : captions) {
                if (caption == wanted) {
                    controlId = child.controlId;
                    return true;
                }
            }
        }
        return false;
    });
}

} // namespace

bool DriveInternetOptionsClearHistory(PurgeContext& context, const InternetOptionsControl& control)
{
    Trace trace(context);
    trace("DriveInetCplClearHistory", 0, "");
    std::vector<win::SessionWindow> windows;
    if (control.windows.list(windows) != win::err::SUCCESS || !control.startDialog()) {
        trace("DriveInetCplClearHistory returned FALSE", 0, "");
        return false;
    }
    trace("Execute InetCpl.cpl", 0, "");

    Search s;
    win::SessionWindow properties;
    win::SessionWindow wineDialog;
    const bool found = search(control, 100, s, [&](const std::vector<win::SessionWindow>& listed) {
        for (const char* prefix : {"INTERNET PROPERTIES", "INTERNET EXPLORER PROPERTIES", "INTERNET OPTIONS"}) {
            for (const win::SessionWindow& w : listed) {
                s.lastText = w.title;
                if (win::upperAscii(w.title).starts_with(prefix)) {
                    properties = w;
                    return true;
                }
            }
        }
        for (const win::SessionWindow& w : listed)
            if (w.className == "#32770" && win::upperAscii(w.title) == "INTERNET SETTINGS")
                wineDialog = w;
        return wineDialog.handle != 0;
    });
    if (!found || wineDialog.handle != 0) {
        if (wineDialog.handle != 0) {
            s.lastText = wineDialog.title;
            context.report.AddReportLineQuiet(
                q("    Wine's \"" + wineDialog.title + "\" dialog has no Clear History button; it was closed."));
            static_cast<void>(control.windows.postCommand(wineDialog.handle, 2)); // IDCANCEL
        }
        trace("DriveInetCplClearHistory returned FALSE", s.tries, s.lastText);
        return false;
    }
    trace("Found First Properties/Options Panel", s.tries, s.lastText);
    static_cast<void>(control.windows.bringToFront(properties.handle));

    bool pressed = false;
    int id = 0;
    if (findButton(control, 20, s, properties.handle, {"CLEAR &HISTORY", "CLEAR HISTORY"}, id)) {
        trace("Found ClearHist Button", s.tries, s.lastText);
        pressed = control.windows.postCommand(properties.handle, id) == win::err::SUCCESS;
        trace("Press ClearHist Button", s.tries, s.lastText);
    }
    if (pressed) {
        trace("Search for Yes / No Dialog", 0, "");
        win::SessionWindow confirmation;
        const bool asked = search(control, 100, s, [&](const std::vector<win::SessionWindow>& listed) {
            for (const win::SessionWindow& w : listed) {
                s.lastText = w.title;
                if (w.handle != properties.handle && w.owner == properties.handle
                    && startsWithAny(win::upperAscii(w.title), {"INTERNET PROPERTIES", "INTERNET OPTIONS"})) {
                    confirmation = w;
                    return true;
                }
            }
            return false;
        });
        if (asked) {
            trace("Found Yes / No Dialog", s.tries, s.lastText);
            if (findButton(control, 30, s, confirmation.handle, {"&YES", "YES", "&OK", "OK"}, id)) {
                trace("Found YES Button", s.tries, s.lastText);
                static_cast<void>(control.windows.postCommand(confirmation.handle, id));
                trace("Press YES Button", s.tries, s.lastText);
            }
        }
    }
    if (findButton(control, 20, s, properties.handle, {"OK", "&OK"}, id)) {
        trace("Found Final OK Button", s.tries, s.lastText);
        static_cast<void>(control.windows.postCommand(properties.handle, id));
        trace("Press Final OK Button", s.tries, s.lastText);
    }

    bool closed = false;
    int waits = 0;
    while (!closed && waits < 300) {
        ++waits;
        control.pause(100);
        std::vector<win::SessionWindow> listed;
        const win::SessionWindow* window = control.windows.list(listed) == win::err::SUCCESS
            ? byHandle(listed, properties.handle) : nullptr;
        closed = !window || window->title != properties.title;
    }
    trace(closed ? "Verified Properties/Options window closed" : "Could not verify Properties/Options window closed",
          waits, properties.title);
    if (!pressed)
        trace("DriveInetCplClearHistory returned FALSE", waits, properties.title);
    return pressed;
}

bool startInternetOptionsDialog(PurgeContext& context)
{
    if (!context.machine)
        return false;
    win::ProgramRun run;
    const std::string program = win::systemDirectory(*context.machine) + "\\rundll32.exe";
    return win::runProgram(*context.machine, program + " shell32.dll,Control_RunDLL inetcpl.cpl,,0", 0, run)
        == win::err::SUCCESS
        && run.started;
}

void pauseLettingMessagesRun(int milliseconds)
{
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(milliseconds);
    do {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::min<Clock::duration>(std::chrono::milliseconds(10), end - Clock::now()));
    } while (Clock::now() < end);
}

} // namespace kp
