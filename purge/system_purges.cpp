#include "purge/system_purges.h"

#include "core/error_level.h"
#include "core/identity.h"
#include "platform/host/console.h"
#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "platform/system/recycle_bin.h"
#include "purge/guarded_purge.h"
#include "purge/purge_context.h"
#include "purge/purge_report.h"
#include "purge/run_state.h"
#include "service/service_link.h"

#include <QClipboard>
#include <QGuiApplication>

#include <string>
#include <vector>

namespace kp {

namespace {

void line(PurgeContext& context, const std::string& text) { context.report.AddReportLine(QString::fromStdString(text)); }

// The status request's reply as the purges test it: the service's on the NT
// family, a working one on the 9x family where the work runs in process.
bool serviceWorks(ServiceLink& service)
{
    const std::string reply = service.ntFamily() ? service.ServiceCommand("STAT") : "ServiceOK";
    return reply.compare(0, 9, "ServiceOK") == 0;
}

} // namespace

void PurgeRecycleBin(PurgeContext& context)
{
    guardedPurge(context, "Recycle Bin", [&] {
        line(context, "Recycle Bin:");
        if (context.report.ListingStopped())
            return;
        if (context.run.PreviewFlag) {
            line(context, "  \"Purge Recycle Bin\" Function bypassed for Preview.");
            return;
        }
        long long removed = 0;
        if (const win::DWORD error = win::emptyRecycleBin(*context.machine, removed))
            win::writeStandardError("Klenzor Pro: Recycle Bin: an item could not be removed (error "
                                    + std::to_string(error) + ")\n");
        line(context, "  Purge \"Recycle Bin\" Function Completed.");
    });
}

void PurgeClipBoard(PurgeContext& context)
{
    guardedPurge(context, "ClipBoard", [&] {
        line(context, "ClipBoard:");
        if (context.run.PreviewFlag) {
            line(context, "  \"Clear Windows ClipBoard\" Function bypassed for Preview.");
            return;
        }
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            QGuiApplication::clipboard()->clear();
        line(context, "  \"Clear Windows ClipBoard\" Function Completed.");
    });
}

void PurgePreviousSearches(PurgeContext& context, ServiceLink& service)
{
    guardedPurge(context, "Clear Previous Searches", [&] {
        line(context, "Clear Previous Searches:");
        if (context.run.PreviewFlag) {
            line(context, "  \"Clear Previous Searches\" Function bypassed for Preview.");
            return;
        }
        win::Registry& registry = context.machine->registry();
        win::RegKey properties;
        if (registry.openKey(win::RegRoot::CurrentUser,
                             "Software\\Microsoft\\Internet Explorer\\Search\\SearchProperties", false, properties)
            == win::err::SUCCESS) {
            std::vector<std::string> names;
            std::string name;
            for (win::DWORD i = 0; registry.enumKey(properties, i, name) == win::err::SUCCESS; ++i)
                names.push_back(name);
            for (const std::string& sub : names) {
                if (context.run.CancelFlag) {
                    line(context, "*** Cancelled by operator.");
                    break;
                }
                win::RegKey key;
                win::RegValue value;
                if (registry.openKey(properties, sub, true, key) != win::err::SUCCESS
                    || registry.queryValue(key, "PreviousSearches", value) != win::err::SUCCESS)
                    continue;
                if (const win::DWORD error = registry.deleteValue(key, "PreviousSearches"))
                    win::writeStandardError("Klenzor Pro: Clear Previous Searches: the searches of " + sub
                                            + " could not be removed (error " + std::to_string(error) + ")\n");
            }
        }
        if (serviceWorks(service)) {
            const std::string reply = service.MsnSearchHistoryCommand();
            if (reply.find("deleted") != std::string::npos)
                line(context, reply);
        }
        line(context, "  \"Clear Previous Searches\" Function Completed.");
    });
}

void PurgeAutoCompleteForms(PurgeContext& context, ServiceLink& service)
{
    guardedPurge(context, "Clear AutoComplete Forms", [&] {
        line(context, "Clear AutoComplete Forms:");
        if (context.run.PreviewFlag) {
            line(context, "  \"Clear AutoComplete Forms\" Function bypassed for Preview.");
            return;
        }
        if (!serviceWorks(service)) {
            line(context, "*** Error - Bypassed - This function requires the Klenzor XP Service.");
            line(context, std::string("    ") + identity::ProductName + " needs to be reinstalled by a System Administrator.");
            context.errors.RaiseErrorLevel(5);
        } else {
            const std::string reply = service.ServiceCommand("FORM");
            line(context, reply);
            if (reply.compare(0, 3, "***") == 0)
                context.errors.RaiseErrorLevel(5);
        }
        line(context, "  \"Clear AutoComplete Forms\" Function Completed.");
    });
}

} // namespace kp
