#include "platform/registry/registry.h"
#include "zones/windows/klen_zona_dialog.h"
#include "zones/zone_list.h"
#include "zones/zone_mask_add.h"
#include "zones/zone_settings.h"
#include "tests/support/recording_messages.h"
#include "tests/support/temp_machine.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace kp;

namespace {

struct MaskAddFixture : ::testing::Test {
    test::TempMachine temp;
    ZoneList zones;
    ZoneSettings settings{temp.machine().registry(), zones};
    test::RecordingMessages messages;

    void SetUp() override
    {
        win::RegKey key;
        ASSERT_EQ(temp.machine().registry().createKey(win::RegRoot::CurrentUser,
                                                      std::string(kInternetSettingsKey) + "\\Zones\\4", key),
                  win::err::SUCCESS);
        ASSERT_EQ(temp.machine().registry().setString(key, "DisplayName", "Restricted sites"), win::err::SUCCESS);
        zones.ReadZoneList(temp.machine().registry());
    }
    std::string lastText() const { return messages.shown.empty() ? "" : messages.shown.back().text; }
};

} // namespace

TEST_F(MaskAddFixture, InvalidExistingAndOverriddenMasks)
{
    for (const char* bad : {"", "*", "*.", "localhost", "bad_host.com"}) {
        EXPECT_FALSE(AddZoneMask(settings, messages, bad, 4)) << bad;
        EXPECT_EQ(lastText(), "The Zone Mask in not in a valid format.\r\n\r\nPlease correct it and try the \"Add\" again.");
    }
    messages.shown.clear();
    EXPECT_TRUE(AddZoneMask(settings, messages, " *.example.com ", 4));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(settings.LookupSite("http://www.example.com/").zoneText, "Restricted");

    EXPECT_FALSE(AddZoneMask(settings, messages, "*.example.com", 4));
    EXPECT_NE(lastText().find("with the same Zone reference."), std::string::npos);
    EXPECT_EQ(messages.shown.back().caption, kZoneMaskCaption);

    messages.answer = No;
    EXPECT_FALSE(AddZoneMask(settings, messages, "*.example.com", 2));
    EXPECT_EQ(lastText(), "The Zone Mask already exists in the system\r\nwith the Zone reference = Restricted sites."
                          "\r\n\r\nDo you wish to override with the new Zone.");
    EXPECT_EQ(settings.LookupSite("http://www.example.com/").zoneText, "Restricted");
    messages.answer = Yes;
    EXPECT_TRUE(AddZoneMask(settings, messages, "*.example.com", 2));
    EXPECT_EQ(settings.LookupSite("http://www.example.com/").zoneText, "Trusted");
}

TEST_F(MaskAddFixture, TheDialogClosesOnlyWhenTheMaskWasAdded)
{
    TKlenZona dialog(settings, messages);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Klenzor Pro - Add a new Zone Mask"));
    dialog.prepare(QStringLiteral("*.example.org"), QStringLiteral("Create new Domain Mask in Trusted Zone"), 2);
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("LabelResult"))->text(),
              QStringLiteral("Create new Domain Mask in Trusted Zone"));
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("ZoneToAdd"));
    auto* add = dialog.findChild<QPushButton*>(QStringLiteral("AddToZoneBtn"));
    ASSERT_TRUE(edit && add);

    dialog.open();
    edit->setText(QStringLiteral("*"));
    add->click();
    EXPECT_TRUE(dialog.isVisible());
    edit->setText(QStringLiteral("*.example.org"));
    add->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(settings.LookupSite("example.org").zoneText, "Trusted");
}

TEST(KlenZonaSize, GrowsWidthByTheExcessAndHeightByHalfOfItFromTenAbove96)
{
    EXPECT_EQ(KlenZonaSizeFor(QSize(420, 150), 105), QSize(420, 150));
    EXPECT_EQ(KlenZonaSizeFor(QSize(420, 150), 144), QSize(630, 188));
}
