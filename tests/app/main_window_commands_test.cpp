#include "app/app_state.h"
#include "app/vendor_site.h"
#include "app/windows/main_form.h"
#include "core/windows/help_window.h"
#include "platform/system/browser_windows.h"
#include "purge/purge_report.h"
#include "tests/support/recording_messages.h"
#include "tests/support/temp_machine.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDesktopServices>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

using namespace kp;

namespace {

class FixedWindows : public win::WindowList {
public:
    std::vector<win::TopLevelWindow> topLevelWindows() override { return windows; }
    std::vector<win::TopLevelWindow> windows;
};

const win::TopLevelWindow kIeVisible{"IEFrame", "Start - Microsoft Internet Explorer", true, {}};
const win::TopLevelWindow kIeHidden{"IEFrame", "", false, {}};
const win::TopLevelWindow kMsnVisible{"MSN6 Window", "MSN", true, {"Browser"}};

// The two steps the caution is about.
StepTable historyAndUrlSteps()
{
    StepTable steps;
    steps[PurgeStep::History] = [](PurgeContext&) {};
    steps[PurgeStep::TypedUrls] = [](PurgeContext&) {};
    return steps;
}

bool yellow(const QCheckBox* box) { return box->styleSheet().contains(QLatin1String("#ffff00")); }

// Records the web addresses the window opens instead of starting a browser.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    OpenedUrls() { QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open"); }
    ~OpenedUrls() override { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }
    std::vector<std::string> urls;
public slots:
    void open(const QUrl& url) { urls.push_back(url.toString().toStdString()); }
};

} // namespace

TEST(MainWindowCaution, TickedBoxesTurnYellowWhileABrowserRuns)
{
    struct Case {
        const char* name;
        std::vector<win::TopLevelWindow> windows;
        bool history, urls;
        const char* caution; // "" when hidden
    };
    const Case cases[] = {
        {"hidden IE, History ticked", {kIeHidden}, true, false, "Internet Explorer is active with a hidden window."},
        {"visible IE first", {kIeHidden, kIeVisible}, false, true, "Internet Explorer is active with a visible window."},
        {"MSN Explorer", {kMsnVisible}, true, true, "MSN Explorer is active with a visible window."},
        {"no browser", {}, true, true, ""},
        {"neither box ticked", {kIeVisible}, false, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::RecordingMessages messages;
        FixedWindows windows;
        windows.windows = c.windows;
        AppState state(Keywords({"IE6"}), messages, nullptr);
        state.windows = &windows;
        TMainForm form(state, historyAndUrlSteps());
        form.show();
        auto* history = form.findChild<QCheckBox*>(QStringLiteral("CheckBoxHistory"));
        auto* urls = form.findChild<QCheckBox*>(QStringLiteral("CheckBoxURLs"));
        history->setChecked(c.history);
        urls->setChecked(!c.urls);
        urls->click(); // a click runs the check at once
        const bool shown = *c.caution != '\0';
        EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("IEcaution1"))->text().toStdString(), c.caution);
        EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("IEcaution1"))->isVisible(), shown);
        EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("IEcaution2"))->isVisible(), shown);
        EXPECT_EQ(yellow(history), shown && c.history);
        EXPECT_EQ(yellow(urls), shown && c.urls);

        windows.windows = {};
        form.Timer1Timer();
        EXPECT_FALSE(form.findChild<QLabel*>(QStringLiteral("IEcaution1"))->isVisible());
        EXPECT_FALSE(yellow(history));
    }
}

TEST(MainWindowCaution, TheTimerLooksAgainEveryTwoAndAHalfSeconds)
{
    test::RecordingMessages messages;
    FixedWindows windows;
    AppState state(Keywords({"IE6"}), messages, nullptr);
    state.windows = &windows;
    TMainForm form(state, historyAndUrlSteps());
    form.show();
    form.findChild<QCheckBox*>(QStringLiteral("CheckBoxHistory"))->click();
    auto* caution = form.findChild<QLabel*>(QStringLiteral("IEcaution1"));
    EXPECT_FALSE(caution->isVisible());
    windows.windows = {kIeHidden};
    QTest::qWait(2000);
    EXPECT_FALSE(caution->isVisible());
    QTest::qWait(700);
    EXPECT_TRUE(caution->isVisible());
}

TEST(MainWindowClipboard, TheReportWithTheVersionTheBrowsersAndTheServiceStatus)
{
    test::TempMachine temp;
    test::RecordingMessages messages;
    FixedWindows windows;
    windows.windows = {kIeHidden, kMsnVisible};
    AppState state(Keywords({"IE6"}), messages, &temp.machine());
    state.windows = &windows;
    TMainForm form(state, {});
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    form.puCopyClipboardClick();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "before") << "an empty report copies nothing";

    form.report().AddReportLine(QStringLiteral("Cookies:"));
    form.report().AddReportLine(QStringLiteral("       deleted - Cookie:owner@example.com/"));
    form.puCopyClipboardClick();
    const QStringList lines = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 8);
    EXPECT_EQ(lines[0], "Cookies:");
    EXPECT_EQ(lines[2], "");
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^via Klenzor Pro - Version - 2\\.03 - Build 2\\.3\\.0\\.102 - "
                                                  "\\d\\d/\\d\\d/\\d{4} - \\d\\d:\\d\\d [ap]m$"))
                    .match(lines[3])
                    .hasMatch())
        << lines[3].toStdString();
    EXPECT_EQ(lines[4], "    Invisible I.E. Window found");
    EXPECT_EQ(lines[5], "    Visible MSN Window found");
    EXPECT_EQ(lines[6], "    ");
    EXPECT_EQ(lines[7], "  Klenzor Pro XP Service Status test failed") << "no service runs for this machine";
}

TEST(MainWindowVendorSite, AskedBeforeOpeningTheVersionCheckOpensAtOnce)
{
    OpenedUrls opened;
    test::RecordingMessages messages;
    AppState state(Keywords({"IE6"}), messages, nullptr);
    TMainForm form(state, {});
    messages.answer = No;
    form.puWebPageClick();
    EXPECT_TRUE(opened.urls.empty());
    messages.answer = Yes;
    form.puWebPageClick();
    form.AccessKlenzorTutorial1Click();
    form.puCheckforNewerVersionClick();
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(messages.shown[0].caption, "Klenzor Pro  -  Information");
    EXPECT_EQ(messages.shown[0].buttons, MsgButtons(Yes | No));
    EXPECT_EQ(messages.shown[2].text,
              "This is to access the Vendor's Web-site.\r\n\r\nYour Internet Connection must be available.\r\n\r\n"
              "If you encounter difficulty with this,\r\nstart Internet Explorer and manually go to\r\n\r\n     "
                  + tutorialAddress() + "\r\n\r\nSelect 'Yes' to access the Web-site now.");
    EXPECT_NE(messages.shown[1].text.find("\r\n\r\n           " + vendorAddress() + "\r\n"), std::string::npos);
    EXPECT_EQ(opened.urls,
              (std::vector<std::string>{vendorAddress(), tutorialAddress(), versionCheckAddress()}));
    EXPECT_TRUE(versionCheckAddress().ends_with("/verklenpro.php?ver=2.03&bld=102"));
    EXPECT_TRUE(tutorialAddress().ends_with("/tutorial/tutorial.htm"));
}

TEST(MainWindowHelp, ContentsAndUpgradeNotesFromTheProgramsHelpFolder)
{
    test::TempMachine temp;
    temp.writeFile("Program/KLENPRO.HLP/index.htm", "<p>Contents <a href=\"300.htm\">notes</a></p>");
    temp.writeFile("Program/KLENPRO.HLP/300.htm", "<p>Upgrade notes</p>");
    temp.writeFile("Program/secret.htm", "<p>outside</p>");
    test::RecordingMessages messages;
    AppState state(Keywords({"IE6"}), messages, &temp.machine());
    state.folders.execFolder = "C:\\PROGRAM";
    TMainForm form(state, {});
    form.UpgradeNotes1Click();
    auto* help = form.findChild<HelpWindow*>();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->browser().toPlainText(), "Upgrade notes");
    form.PuHelpClick();
    EXPECT_EQ(form.findChildren<HelpWindow*>().size(), 1) << "one help window";
    EXPECT_TRUE(help->browser().toPlainText().startsWith("Contents"));
    EXPECT_FALSE(help->browser().loadResource(QTextDocument::HtmlResource, QUrl("../secret.htm")).isValid());
    EXPECT_TRUE(messages.shown.empty());

    state.folders.execFolder = "C:\\ELSEWHERE";
    TMainForm moved(state, {});
    moved.PuHelpClick();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("C:\\ELSEWHERE\\KLENPRO.HLP"), std::string::npos);
    EXPECT_EQ(moved.findChild<HelpWindow*>(), nullptr);
}

#include "main_window_commands_test.moc"
