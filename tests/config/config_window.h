#pragma once
// A Configuration window over a temporary machine: the program at
// C:\KP\KlenPro.exe, the data folder C:\DATA, the desktop C:\DESKTOP.

#include "config/windows/config_form.h"
#include "core/error_level.h"
#include "core/ie_version.h"
#include "core/keywords.h"
#include "purge/purge_report.h"
#include "purge/run_state.h"
#include "settings/folder_set.h"
#include "settings/general_settings.h"
#include "tests/support/recording_messages.h"
#include "tests/support/temp_machine.h"

#include <QAbstractButton>
#include <QTabBar>

#include <memory>
#include <string>

namespace kp::test {

struct ConfigWindow {
    TempMachine temp;
    RecordingMessages messages;
    ErrorState errors;
    RunState run;
    Keywords keywords;
    FolderSet folders;
    GeneralSettings general;
    IeVersion ie {true, true, true};
    PurgeReport report {errors, messages};
    std::string executable = "C:\\KP\\KlenPro.exe";
    int hintsApplied = 0;
    std::unique_ptr<TConfigForm> form;

    explicit ConfigWindow(std::string programName = "KlenPro.exe");
    // The machine describes Windows 98.
    void makeWindows98();
    // Makes the window (as the main window does at its first opening) and
    // activates it.
    TConfigForm& open();

    QTabBar& tabs() { return *form->findChild<QTabBar*>("TabControl1"); }
    QAbstractButton& button(const char* name) { return *form->findChild<QAbstractButton*>(name); }
    template <typename T>
    T& control(const char* name) { return *form->findChild<T*>(name); }
    bool shown(const char* name);
    // A value of the settings file; "-" when it is missing.
    std::string setting(const char* section, const char* key);
};

} // namespace kp::test
