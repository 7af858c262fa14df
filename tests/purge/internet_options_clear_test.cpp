// The Internet Options automation: a dialog that behaves as Windows' does,
// one without a clear-history button, no session at all, and Wine's own
// dialog in a real session, each with the trace it leaves.

#include "core/error_level.h"
#include "core/keywords.h"
#include "platform/machine.h"
#include "platform/system/session_windows.h"
#include "platform/system/wine_session.h"
#include "purge/internet_options_clear.h"
#include "purge/purge_context.h"
#include "purge/purge_report.h"
#include "purge/run_state.h"
#include "settings/folder_set.h"
#include "settings/general_settings.h"
#include "tests/support/real_wine_prefix.h"
#include "tests/support/recording_messages.h"
#include "tests/support/report_lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

using namespace kp;

namespace {

struct Context {
    Context() { folders.trace = true; }
    PurgeContext operator()(win::Machine* machine = nullptr)
    {
        return PurgeContext {report, run, errors, keywords, folders, general, messages, machine};
    }
    // The step texts of the trace, in order.
    std::vector<std::string> steps() const
    {
        std::vector<std::string> out;
        for (const std::string& line : test::reportLines(report))
            if (line.starts_with("Htrace - "))
                out.push_back(line.substr(9, line.find(" - K = ") - 9));
        return out;
    }
    ErrorState errors;
    test::RecordingMessages messages;
    PurgeReport report {errors, messages};
    RunState run;
    Keywords keywords;
    FolderSet folders;
    GeneralSettings general;
};

// A properties dialog that answers posted commands as Windows' does: the
// clear-history button opens the owned confirmation, its Yes closes it, OK
// closes the dialog.
class ScriptedDialog : public win::MachineWindows {
public:
    static constexpr win::WindowHandle Properties = 0x100, Confirmation = 0x200;
    bool session = true;
    bool withClearButton = true;
    bool started = false;
    std::vector<std::pair<win::WindowHandle, int>> posts;
    win::WindowHandle fronted = 0;

    win::DWORD list(std::vector<win::SessionWindow>& out) override
    {
        out.clear();
        if (!session)
            return win::err::NOT_READY;
        out.push_back({0x10, 0, false, "IME", "Default IME", {}});
        if (started && !propertiesClosed) {
            win::SessionWindow p {Properties, 0, true, "#32770", "Internet Properties", {}};
            p.children.push_back({0x101, 0, "#32770", "General"});
            if (withClearButton)
                p.children.push_back({0x102, 1406, "Button", "Clear &History"});
            p.children.push_back({0x103, 1, "Button", "OK"});
            out.push_back(p);
        }
        if (confirming)
            out.push_back({Confirmation, Properties, true, "#32770", "Internet Options", {{0x201, 6, "Button", "&Yes"}}});
        return win::err::SUCCESS;
    }
    win::DWORD bringToFront(win::WindowHandle window) override
    {
        fronted = window;
        return win::err::SUCCESS;
    }
    win::DWORD postCommand(win::WindowHandle window, int id) override
    {
        posts.emplace_back(window, id);
        if (window == Properties && id == 1406)
            confirming = true;
        if (window == Confirmation && id == 6)
            confirming = false;
        if (window == Properties && id == 1 && !confirming)
            propertiesClosed = true;
        return win::err::SUCCESS;
    }

private:
    bool confirming = false;
    bool propertiesClosed = false;
};

} // namespace

TEST(DriveInternetOptionsClearHistory, PressesClearHistoryYesAndOkAndTracesEachStep)
{
    using D = ScriptedDialog;
    const std::vector<std::string> start = {"DriveInetCplClearHistory", "Execute InetCpl.cpl",
                                            "Found First Properties/Options Panel"};
    const struct {
        bool withClearButton;
        bool result;
        std::vector<std::pair<win::WindowHandle, int>> posts;
        std::vector<std::string> steps;
    } cases[] = {
        {true, true, {{D::Properties, 1406}, {D::Confirmation, 6}, {D::Properties, 1}},
         {"Found ClearHist Button", "Press ClearHist Button", "Search for Yes / No Dialog", "Found Yes / No Dialog",
          "Found YES Button", "Press YES Button", "Found Final OK Button", "Press Final OK Button",
          "Verified Properties/Options window closed"}},
        {false, false, {{D::Properties, 1}},
         {"Found Final OK Button", "Press Final OK Button", "Verified Properties/Options window closed",
          "DriveInetCplClearHistory returned FALSE"}},
    };
    for (const auto& c : cases) {
        Context context;
        PurgeContext purge = context();
        ScriptedDialog dialog;
        dialog.withClearButton = c.withClearButton;
        int pauses = 0;
        const InternetOptionsControl control {
            dialog, [&dialog] { return dialog.started = true; }, [&pauses](int) { ++pauses; }};
        EXPECT_EQ(DriveInternetOptionsClearHistory(purge, control), c.result) << "counts only when pressed";
        EXPECT_EQ(dialog.posts, c.posts);
        EXPECT_EQ(dialog.fronted, D::Properties);
        std::vector<std::string> steps = start;
        steps.insert(steps.end(), c.steps.begin(), c.steps.end());
        EXPECT_EQ(context.steps(), steps);
        EXPECT_LT(pauses, 25) << "each search ends when it finds";
        const std::string found = test::reportLines(context.report)[2];
        EXPECT_TRUE(found.starts_with("Htrace - Found First Properties/Options Panel - K = 1 - ")) << found;
        EXPECT_TRUE(found.ends_with(" msec - Internet Properties")) << found;
    }

    Context quiet;
    quiet.folders.trace = false;
    PurgeContext purge = quiet();
    ScriptedDialog dialog;
    const InternetOptionsControl control {dialog, [&dialog] { return dialog.started = true; }, [](int) {}};
    EXPECT_TRUE(DriveInternetOptionsClearHistory(purge, control));
    EXPECT_TRUE(test::reportLines(quiet.report).empty()) << "no trace without TRACE";
}

TEST(DriveInternetOptionsClearHistory, WithoutASessionFailsAtOnceAndStartsNothing)
{
    Context context;
    PurgeContext purge = context();
    ScriptedDialog dialog;
    dialog.session = false;
    int pauses = 0;
    const InternetOptionsControl control {dialog, [&dialog] { return dialog.started = true; }, [&pauses](int) { ++pauses; }};
    EXPECT_FALSE(DriveInternetOptionsClearHistory(purge, control));
    EXPECT_FALSE(dialog.started);
    EXPECT_EQ(pauses, 0);
    EXPECT_EQ(context.steps(), (std::vector<std::string> {"DriveInetCplClearHistory", "DriveInetCplClearHistory returned FALSE"}));
}

using InternetOptionsWine = test::WineWindowsTest;

TEST_F(InternetOptionsWine, WinesOwnDialogIsFoundReportedAndClosed)
{
    std::unique_ptr<win::Machine> machine;
    ASSERT_EQ(win::Machine::open(prefix, machine), 0u);
    ASSERT_TRUE(startWindowProbe("Session Keeper", "KlenzorProbe")) << probeOutput();
    Context context;
    PurgeContext purge = context(machine.get());
    win::SessionWindows windows(prefix, helperPath());
    const InternetOptionsControl control {windows, [&purge] { return startInternetOptionsDialog(purge); },
                                          [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }};
    EXPECT_FALSE(DriveInternetOptionsClearHistory(purge, control));
    const std::vector<std::string> lines = test::reportLines(context.report);
    EXPECT_EQ(context.steps(), (std::vector<std::string> {"DriveInetCplClearHistory", "Execute InetCpl.cpl",
                                                          "DriveInetCplClearHistory returned FALSE"}));
    EXPECT_TRUE(test::reportHasLine(context.report,
                                    "    Wine's \"Internet Settings\" dialog has no Clear History button; it was closed."));
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().ends_with(" msec - Internet Settings")) << lines.back();

    bool open = true;
    for (int i = 0; i < 50 && open; ++i) {
        std::vector<win::SessionWindow> listed;
        ASSERT_EQ(windows.list(listed), 0u);
        open = std::any_of(listed.begin(), listed.end(), [](const auto& w) { return w.title == "Internet Settings"; });
        if (open)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_FALSE(open) << "the dialog it started does not stay open";
}
