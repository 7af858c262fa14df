#include "protect/windows/no_protection_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace kp;

TEST(NoProtectionWarning, DueOnlyForADeletingRunWithNothingProtectedAndTheWarningOn)
{
    EXPECT_TRUE(NoProtectionWarningDue(0, false, "N"));
    EXPECT_TRUE(NoProtectionWarningDue(0, false, "y"));
    EXPECT_FALSE(NoProtectionWarningDue(1, false, "N"));
    EXPECT_FALSE(NoProtectionWarningDue(0, true, "N"));
    EXPECT_FALSE(NoProtectionWarningDue(0, false, "Y"));
}

TEST(NoProtectionWarning, ContinueBypassEscapeAndTheCheckBox)
{
    TNoProtection dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Klenzor Pro - Warning - No Cookies are protected"));
    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("OKBtn"));
    auto* bypass = dialog.findChild<QPushButton*>(QStringLiteral("CancelBtn"));
    auto* box = dialog.findChild<QCheckBox*>(QStringLiteral("CheckBox1"));
    ASSERT_TRUE(ok && bypass && box);
    EXPECT_EQ(ok->text(), QStringLiteral("Continue"));
    EXPECT_EQ(bypass->text(), QStringLiteral("Bypass"));
    EXPECT_TRUE(bypass->isDefault());
    EXPECT_EQ(box->text(), QStringLiteral("do not show this message again"));
    QStringList texts;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("If you choose \"Bypass\", no Cookies will be deleted.")));

    dialog.open();
    ok->click();
    EXPECT_FALSE(dialog.answer().bypass);
    EXPECT_FALSE(dialog.answer().doNotShowAgain);

    dialog.open();
    box->setChecked(true);
    bypass->click();
    EXPECT_EQ(dialog.result(), TNoProtection::ResultBypass);
    EXPECT_TRUE(dialog.answer().doNotShowAgain);

    dialog.open();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.answer().bypass);
}

TEST(NoProtectionWarning, WithoutADisplayItIsBypassedAtOnce)
{
    const NoProtectionAnswer answer = ShowNoProtection();
    EXPECT_TRUE(answer.bypass);
    EXPECT_FALSE(answer.doNotShowAgain);
}

TEST(NoProtectionWarning, GrowsOnlyFromTenPixelsPerInchAbove96)
{
    const QSize designed(470, 250);
    EXPECT_EQ(NoProtectionSizeFor(designed, 96), designed);
    EXPECT_EQ(NoProtectionSizeFor(designed, 105), designed);
    EXPECT_EQ(NoProtectionSizeFor(designed, 192), QSize(int(470 * 110.4 / 96), int(250 * 110.4 / 96)));
}
