#include "config/windows/extra_form.h"
#include "platform/profile/profile.h"
#include "tests/config/config_window.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

using namespace kp;
using test::ConfigWindow;

namespace {

const char* const kOptionBoxes[] = {
    "CheckBoxNormalCache", "CheckBoxSubscriptionCache", "CheckBoxHistory", "CheckBoxURLs", "CheckBoxRecent",
    "CheckBoxCookies", "CheckBoxVisited", "CheckBoxStrays", "CheckBoxTemp", "CheckBoxReCycle",
    "CheckBoxClearAutoCompleteForms", "CheckBoxClearPreviousSearches", "CheckBoxUserData", "CheckBoxShredFiles",
    "CheckBoxPlugins", "CheckBoxClearClipBoard"};
const char* const kIe5Boxes[] = {"CheckBoxClearAutoCompleteForms", "CheckBoxClearPreviousSearches",
                                 "CheckBoxUserData"};

bool isIe5Box(const std::string& name)
{
    return std::find(std::begin(kIe5Boxes), std::end(kIe5Boxes), name) != std::end(kIe5Boxes);
}

// The options window of `tab`, opened with its button; `inside` runs while
// it is shown, then Exit closes it.
void withOptionsWindow(ConfigWindow& w, int tab, const std::function<void(TExtraForm&)>& inside)
{
    w.tabs().setCurrentIndex(tab);
    TExtraForm& extra = w.form->extraForm();
    bool ran = false;
    QTimer::singleShot(0, &extra, [&] {
        ran = true;
        inside(extra);
        extra.findChild<QAbstractButton*>("ExitSBtn")->click();
    });
    w.button("UniqueSBtn").click();
    EXPECT_TRUE(ran);
}

std::vector<std::string> keysOf(ConfigWindow& w, const char* section)
{
    win::Profile profile(w.temp.machine());
    std::vector<std::string> keys;
    EXPECT_EQ(profile.keyNames(section, "C:\\DATA\\KlenPro.Ini", keys), win::err::SUCCESS);
    return keys;
}

} // namespace

TEST(TExtraForm, AModeNeverSavedShowsClearOptionsAndSavesAll23KeysInOrder)
{
    ConfigWindow w;
    w.temp.writeFile("data/KlenPro.Ini", "[Options]\r\nCookies=1\r\nNsDD=5\r\nReportOpt=1\r\n");
    w.open();
    withOptionsWindow(w, 2, [&](TExtraForm& extra) {
        for (const char* name : kOptionBoxes)
            EXPECT_FALSE(extra.findChild<QCheckBox*>(name)->isChecked()) << name;
        for (const char* name : {"NsDD", "NsHH", "NsMM", "SbDD", "SbHH", "SbMM"})
            EXPECT_EQ(extra.findChild<QLineEdit*>(name)->text(), "0") << name;
        EXPECT_TRUE(extra.findChild<QAbstractButton*>("ReportsRG1Detail")->isChecked());
        extra.findChild<QAbstractButton*>("CheckBoxVisited")->click();
        extra.findChild<QLineEdit*>("SbHH")->setText("12");
        extra.findChild<QAbstractButton*>("SaveOptionsSBtn")->click();
    });
    EXPECT_EQ(keysOf(w, "BootOptions"),
              (std::vector<std::string>{"NormalCache", "SubscriptionCache", "History", "URLs", "Recent", "Cookies",
                                        "Visited", "Strays", "Temp", "Recycle", "ClearAutoForm", "ClearPrevSrch",
                                        "ClearUserData", "ShredFiles", "RunPlugins", "ClearClipBoard", "NsDD", "NsHH",
                                        "NsMM", "SbDD", "SbHH", "SbMM", "ReportOpt"}));
    EXPECT_EQ(w.setting("BootOptions", "Visited"), "1");
    EXPECT_EQ(w.setting("BootOptions", "Cookies"), "0");
    EXPECT_EQ(w.setting("BootOptions", "SbHH"), "12");
    EXPECT_EQ(w.setting("Options", "Cookies"), "1");
}

TEST(TExtraForm, TheIe5BoxesNeedInternetExplorer5AndAnyNonZeroFlagTicks)
{
    for (const bool ie5 : {false, true}) {
        ConfigWindow w;
        w.ie = ie5 ? IeVersion{true, true, false} : IeVersion{true, false, false};
        w.temp.writeFile("data/KlenPro.Ini", "[ShutOptions]\r\nCookies=2\r\nClearUserData=1\r\n");
        w.open();
        withOptionsWindow(w, 3, [&](TExtraForm& extra) {
            EXPECT_TRUE(extra.findChild<QCheckBox*>("CheckBoxCookies")->isChecked());
            EXPECT_EQ(extra.findChild<QCheckBox*>("CheckBoxUserData")->isChecked(), ie5);
            extra.findChild<QAbstractButton*>("AllOffBtn")->click();
            extra.findChild<QAbstractButton*>("AllOnBtn")->click();
            for (const char* name : kOptionBoxes) {
                const QCheckBox* box = extra.findChild<QCheckBox*>(name);
                EXPECT_EQ(box->isEnabled(), ie5 || !isIe5Box(name)) << name;
                EXPECT_EQ(box->isChecked(), ie5 || !isIe5Box(name)) << name;
            }
            extra.findChild<QAbstractButton*>("SaveOptionsSBtn")->click();
        });
        for (const char* key : {"ClearAutoForm", "ClearPrevSrch", "ClearUserData"})
            EXPECT_EQ(w.setting("ShutOptions", key), ie5 ? "1" : "0") << key;
        EXPECT_EQ(w.setting("ShutOptions", "Cookies"), "1");
    }
}
