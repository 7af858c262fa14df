// The main window's "Klenzor Folders at next Reboot" item opens the reboot
// purge dialog modally.

#include "app/app_state.h"
#include "app/windows/main_form.h"
#include "tests/support/recording_messages.h"
#include "tests/support/temp_machine.h"
#include "tools/windows/klen_inx_dialog.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace kp;

TEST(RebootPurgeMenu, TheMenuItemOpensTheDialogModally)
{
    test::TempMachine temp;
    test::RecordingMessages messages;
    AppState state(Keywords({"IE6"}), messages, &temp.machine());
    TMainForm form(state, {});
    form.show();
    QAction* item = form.findChild<QAction*>(QStringLiteral("KlenzorFoldersatnextReboot1"));
    ASSERT_NE(item, nullptr);
    ASSERT_TRUE(item->isEnabled());
    bool seenModal = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TKlenInxDlg*>(QApplication::activeModalWidget());
        seenModal = dialog && dialog->isModal();
        if (dialog)
            dialog->findChild<QPushButton*>(QStringLiteral("CancelBtn"))->click();
    });
    item->trigger();
    EXPECT_TRUE(seenModal);
    EXPECT_TRUE(messages.shown.empty());
}
