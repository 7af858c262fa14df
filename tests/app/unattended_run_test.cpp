// Unattended runs on a machine set up for them: without a display no widget
// is made, the report goes to standard output, the error level is the exit
// status and standard error holds only the program's messages; with a
// display, closing the window the run shows ends the program.

#include "app/windowless_run.h"
#include "app/windows/entry.h"
#include "app/windows/main_form.h"
#include "core/keywords.h"
#include "sample/builder/unattended_settings.h"
#include "tests/support/built_machine.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

#include <QApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

using namespace kp;

namespace {

const std::string kDataFolder = "C:\\Documents and Settings\\Owner\\Application Data\\Klenzor";
const std::string kNoWindowMessage =
    "Klenzor Pro: no display, so the main window that this run would show is not opened.\n";

// The sample machine with the settings of a user who set up an unattended
// purge, named by WINEPREFIX while it lives.
class UnattendedMachine {
public:
    UnattendedMachine()
    {
        EXPECT_EQ(sample::writeUnattendedPurgeSettings(built.prefixDir(), "Owner"), 0u);
        if (const char* before = std::getenv("WINEPREFIX"))
            saved_ = before;
        ::setenv("WINEPREFIX", built.prefixDir().c_str(), 1);
    }
    ~UnattendedMachine()
    {
        if (saved_)
            ::setenv("WINEPREFIX", saved_->c_str(), 1);
        else
            ::unsetenv("WINEPREFIX");
    }

    std::string dataFile(const std::string& name) const { return built.hostPath(kDataFolder + "\\" + name); }

    test::BuiltMachine built;

private:
    std::optional<std::string> saved_;
};

struct Outcome {
    int status = -1;
    std::string out, err;
};

// The program itself, started as a scheduled task would start it: no
// display, no Qt platform, no runtime folder.
Outcome runProgram(const UnattendedMachine& machine, const std::vector<std::string>& args)
{
    std::vector<std::string> argv{KP_KLENPRO};
    argv.insert(argv.end(), args.begin(), args.end());
    Outcome o;
    o.status = test::runProgram(argv,
                                {{"WINEPREFIX", machine.built.prefixDir()}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""},
                                 {"QT_QPA_PLATFORM", ""}, {"XDG_RUNTIME_DIR", ""}},
                                &o.out, &o.err);
    return o;
}

} // namespace

TEST(UnattendedRun, WithoutADisplayNoWidgetIsMadeAndTheReportAndExitStatusAreTheRunsOwn)
{
    UnattendedMachine machine;
    ASSERT_TRUE(QApplication::allWidgets().isEmpty());
    // Checked whenever the run lets events through.
    int checks = 0;
    qsizetype mostWidgets = 0;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        ++checks;
        mostWidgets = std::max(mostWidgets, QApplication::allWidgets().size());
    });
    watch.start();

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = RunWindowless(Keywords({"AUTO", "log"}));
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();

    EXPECT_GT(checks, 0);
    EXPECT_EQ(mostWidgets, 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(err, "");
    EXPECT_EQ(out.rfind("Online and Offline Cache:\n", 0), 0u) << out;
    EXPECT_TRUE(out.ends_with("\n  Purge Functions Completed.\n")) << out;
    EXPECT_NE(out.find("  Purge \"Cookies\" Function Completed."), std::string::npos);
    std::string log = test::readFile(machine.dataFile("KLENZOR.LOG"));
    std::erase(log, '\r');
    EXPECT_NE(log.find(out), std::string::npos) << "the log holds the report";
}

TEST(UnattendedRun, TheProgramWithoutADisplayWritesOnlyItsOwnMessages)
{
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
        std::string outEnd;
    };
    const Case cases[] = {
        {{"AUTO"}, 0, "", "\n  Purge Functions Completed.\n"},
        // A preset error shows the main window, which cannot be opened.
        {{"auto", "ERROR5"}, 5, kNoWindowMessage,
         "\n       contains additonal information for the Error indicators.\n"},
        // Other starts make their windows offscreen, as quietly.
        {{"UNINST"}, 0, "", ""},
    };
    for (const Case& c : cases) {
        UnattendedMachine machine;
        const Outcome o = runProgram(machine, c.args);
        EXPECT_EQ(o.status, c.status) << c.args[0];
        EXPECT_EQ(o.err, c.err) << c.args[0];
        EXPECT_TRUE(o.out.ends_with(c.outEnd)) << o.out;
    }
}

TEST(UnattendedRun, ClosingTheWindowItShowsEndsTheProgramBeforeTheInstallersTasks)
{
    // The window needs a display: the run goes on in a child process of this
    // test on Qt's VNC platform.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::optional<std::string> platform =
        std::getenv("QT_QPA_PLATFORM") ? std::optional<std::string>(std::getenv("QT_QPA_PLATFORM")) : std::nullopt;
    ::setenv("QT_QPA_PLATFORM", "vnc:port=0", 1);
    EXPECT_EXIT(
        {
            UnattendedMachine machine;
            // UNINST would remove the program's files from the other users' data folders.
            const std::string otherUser =
                machine.built.hostPath("C:\\Documents and Settings\\Other\\Application Data\\Klenzor");
            std::filesystem::create_directories(otherUser);
            test::writeFile(otherUser + "/KlenPro.Ini", "[Options]\r\n");
            // The user closes the window as soon as it is shown.
            QTimer user;
            user.setInterval(10);
            QObject::connect(&user, &QTimer::timeout, [] {
                for (QWidget* window : QApplication::topLevelWidgets())
                    if (qobject_cast<TMainForm*>(window) && window->isVisible())
                        window->close();
            });
            user.start();
            testing::internal::CaptureStdout();
            const int status = RunEntrySequence(Keywords({"AUTO", "ERROR5", "INIT", "UNINST"}));
            testing::internal::GetCapturedStdout();
            std::fprintf(stderr, "on %s the other user's settings are %s\n",
                         qPrintable(QGuiApplication::platformName()),
                         std::filesystem::exists(otherUser + "/KlenPro.Ini") ? "kept" : "gone");
            std::exit(status);
        },
        testing::ExitedWithCode(5), "on vnc the other user's settings are kept");
    if (platform)
        ::setenv("QT_QPA_PLATFORM", platform->c_str(), 1);
    else
        ::unsetenv("QT_QPA_PLATFORM");
}
