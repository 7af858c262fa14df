#include "app/app_state.h"
#include "app/rtf_to_html.h"
#include "app/small_window_geometry.h"
#include "app/windows/main_form.h"
#include "app/windows/quick_start_form.h"
#include "settings/general_settings.h"
#include "tests/support/recording_messages.h"
#include "tests/support/temp_machine.h"

#include <QApplication>
#include <QCheckBox>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace kp;

namespace {

// The text (blank lines hold a space) and the bold words of the rich text,
// as the browser shows them.
struct Shown {
    QString text;
    QStringList bold;
};

Shown show(const std::string& rtf)
{
    QTextDocument document;
    document.setHtml(RtfToHtml(rtf));
    Shown out{document.toPlainText(), {}};
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().fontWeight() >= QFont::Bold)
                out.bold << it.fragment().text();
        }
    }
    return out;
}

} // namespace

TEST(QuickStartText, RichTextShowsItsParagraphsAndBoldWords)
{
    struct Case {
        const char* name;
        std::string rtf;
        QString text;
        QStringList bold;
    };
    const Case cases[] = {
        {"paragraphs, blank line, bold",
         "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red0\\green0\\blue0;}\\pard\\b Title\\b0\\par\r\n"
         "\\par One \\b two\\b0  three\\par}",
         "Title\n \nOne two three", {"Title", "two"}},
        {"escapes and code page", "{\\rtf1 a\\{b\\}c\\\\ it\\'92s <x> & \\u8364?\\tab d}", "a{b}c\\ it\u2019s <x> & \u20AC\td",
         {}},
        {"groups keep their format", "{\\rtf1 {\\b bold {\\i more}} plain\\line next}", "bold more plain\nnext",
         {"bold ", "more"}},
        {"ignorable destinations", "{\\rtf1{\\*\\generator Writer;}{\\info{\\title T}}shown}", "shown", {}},
        {"cut short", "{\\rtf1 \\b cut", "cut", {"cut"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Shown shown = show(c.rtf);
        EXPECT_EQ(shown.text, c.text);
        EXPECT_EQ(shown.bold, c.bold);
    }
}

TEST(QuickStartWindow, ShowsTheFileOfTheCurrentFolderOrSaysWhereItMustBe)
{
    test::TempMachine temp;
    temp.machine().setCurrentDirectoryUnchecked("C:\\Program");
    temp.makeDir("Program");
    GeneralSettings general;
    TQSform form(&temp.machine(), general, nullptr);
    form.showWindow();
    EXPECT_EQ(form.shownText(), "...Unable to locate the text file to display.\n\n...The file - "
                                "C:\\Program\\purgeqst.rtf must be in the Klenzor Pro execution folder.");

    temp.writeFile("Program/purgeqst.rtf", "{\\rtf1 \\b Quick\\b0  start\\par}");
    form.showWindow();
    EXPECT_EQ(form.shownText(), "Quick start");
    auto* box = form.findChild<QCheckBox*>(QStringLiteral("QScheckBox"));
    EXPECT_FALSE(box->isChecked());
    box->click();
    EXPECT_EQ(general.QuickStartOpt, "N");
    box->click();
    EXPECT_EQ(general.QuickStartOpt, "S");
}

TEST(QuickStartWindow, OpensShortlyAfterTheMainWindowsFirstActivation)
{
    struct Case {
        const char* name;
        const char* option;
        bool file;
        std::vector<std::string> keywords;
        bool opens;
    };
    const Case cases[] = {
        {"shown at start-up", "S", true, {"IE6"}, true},
        {"switched off", "N", true, {"IE6"}, false},
        {"no file", "S", false, {"IE6"}, false},
        {"unattended", "S", true, {"IE6", "AUTO"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempMachine temp;
        temp.makeDir("Program");
        if (c.file)
            temp.writeFile("Program/purgeqst.rtf", "{\\rtf1 Welcome\\par}");
        temp.machine().setCurrentDirectoryUnchecked("C:\\Program");
        test::RecordingMessages messages;
        AppState state(Keywords(c.keywords), messages, &temp.machine());
        TMainForm form(state, {});
        state.general.QuickStartOpt = c.option;
        form.show();
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        const auto opened = [&form] {
            const TQSform* quickStart = form.findChild<TQSform*>();
            return quickStart && quickStart->isVisible();
        };
        EXPECT_EQ(QTest::qWaitFor(opened, c.opens ? 3000 : 800), c.opens);
        if (c.opens)
            EXPECT_EQ(form.findChild<TQSform*>()->shownText(), "Welcome");
    }
}

TEST(SmallWindowGeometry, QuickStartAtTheMainWindowsCornerInsideTheWorkAreaAndTheSplashScaled)
{
    struct Case {
        const char* name;
        QRect workArea, mainWindow;
        double dpi;
        QRect expected;
    };
    const QSize designed(480, 360);
    const Case cases[] = {
        {"beside the main window", {0, 0, 1920, 1040}, {100, 100, 600, 400}, 96, {700, 500, 480, 360}},
        {"kept inside the work area", {0, 0, 1920, 1040}, {1000, 600, 800, 400}, 96, {1440, 680, 480, 360}},
        {"half the work area, at least 360 by 240", {0, 0, 640, 400}, {0, 0, 300, 200}, 96, {280, 160, 360, 240}},
        {"grown at 144 pixels per inch", {0, 0, 1920, 1040}, {0, 0, 100, 100}, 144, {100, 100, 516, 387}},
        {"never above or left of 0", {0, 0, 400, 200}, {0, 0, 50, 50}, 96, {40, 0, 360, 240}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(QuickStartGeometry(designed, c.workArea, c.mainWindow, c.dpi), c.expected);
    }
    EXPECT_EQ(SplashSizeFor({420, 120}, 96), QSize(420, 120));
    EXPECT_EQ(SplashSizeFor({420, 120}, 105), QSize(420, 120));
    EXPECT_EQ(SplashSizeFor({420, 120}, 144), QSize(473, 180));
}
