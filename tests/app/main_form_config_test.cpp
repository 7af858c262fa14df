#include "app/app_state.h"
#include "app/purge_steps.h"
#include "app/windows/main_form.h"
#include "tests/support/recording_messages.h"
#include "tests/support/temp_machine.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

using namespace kp;

TEST(MainWindowConfig, ConfigureAndItsMenuItemOpenTheConfigurationWindowModallyWhenIdle)
{
    test::TempMachine temp;
    test::RecordingMessages messages;
    AppState state(Keywords({"IE6"}), messages, &temp.machine());
    TMainForm form(state, availablePurgeSteps(nullptr));
    auto* button = form.findChild<QPushButton*>("ConfigSBtn");
    auto* menuItem = form.findChild<QAction*>("DisplayConfigurationWindow1");
    for (const bool busy : {false, true}) {
        state.run.BusyFlag = busy;
        for (const std::function<void()>& command : {std::function<void()>([&] { button->click(); }),
                                                      std::function<void()>([&] { menuItem->trigger(); })}) {
            QString opened;
            QTimer::singleShot(0, [&] {
                if (QWidget* modal = QApplication::activeModalWidget()) {
                    opened = QString::fromLatin1(modal->metaObject()->className());
                    modal->close();
                }
            });
            command();
            QApplication::processEvents();
            EXPECT_EQ(opened, busy ? QString() : QStringLiteral("kp::TConfigForm")) << busy;
        }
    }
    state.run.BusyFlag = false;
}
