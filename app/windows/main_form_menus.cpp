// The main window's Tools and Help commands that open no purge: the copy to
// the clipboard, the version check and vendor pages, help, the quick start
// window and the about box.

#include "app/windows/main_form.h"

#include "app/app_state.h"
#include "app/browser_caution.h"
#include "app/clipboard_text.h"
#include "app/vendor_site.h"
#include "app/windows/about_box.h"
#include "app/windows/quick_start_form.h"
#include "core/identity.h"
#include "core/message_service.h"
#include "core/windows/help_window.h"
#include "platform/machine.h"
#include "purge/browser_window.h"
#include "purge/purge_report.h"
#include "service/service_link.h"

#include <QClipboard>
#include <QDateTime>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>

namespace kp {

void TMainForm::puCopyClipboardClick()
{
    if (report_->rowCount() == 0)
        return;
    ClipboardParts parts{report_->lines(), QDateTime::currentDateTime(), {}, idleStatus_, {}};
    if (state_.windows) {
        const std::string title = state_.machine ? ReadBrowserWindowTitle(state_.machine->registry()) : "";
        parts.browserLines = BrowserWindowLines(BrowserWindows(*state_.windows, title));
    }
    if (state_.machine) {
        ServiceLink service(*state_.machine);
        parts.serviceLines = serviceStatusLines(service);
    }
    QGuiApplication::clipboard()->setText(ClipboardText(parts));
}

void TMainForm::puCheckforNewerVersionClick()
{
    QDesktopServices::openUrl(QUrl(QString::fromStdString(versionCheckAddress())));
}

void TMainForm::openVendorPage(const std::string& address, int indent)
{
    if (state_.messages.show("Klenzor Pro  -  Information", vendorPageQuestion(address, indent), MsgKind::Information,
                             Yes | No)
        == Yes)
        QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}

void TMainForm::puWebPageClick() { openVendorPage(vendorAddress(), 11); }
void TMainForm::AccessKlenzorTutorial1Click() { openVendorPage(tutorialAddress(), 5); }

void TMainForm::openHelp(int context)
{
    if (!state_.machine)
        return;
    std::string problem;
    if (!ShowHelp(*state_.machine, helpFile_, context, this, problem))
        state_.messages.show(identity::MessageCaption, problem, MsgKind::Warning, OK);
}

void TMainForm::PuHelpClick() { openHelp(kHelpContents); }
void TMainForm::UpgradeNotes1Click() { openHelp(kHelpUpgradeNotes); }

void TMainForm::GettingStarted1Click()
{
    if (!quickStart_)
        quickStart_ = std::make_unique<TQSform>(state_.machine, state_.general, this);
    quickStart_->showWindow();
}

void TMainForm::QStimerTimer()
{
    QStimer.stop();
    GettingStarted1Click();
}

void TMainForm::PuAboutClick()
{
    if (state_.run.BusyFlag)
        return;
    state_.run.BusyFlag = true;
    TAboutBox box(state_.ie, this);
    box.exec();
    state_.run.BusyFlag = false;
}

} // namespace kp
