#include "purge/typed_urls_purge.h"

#include "core/error_level.h"
#include "platform/files/win_path.h"
#include "platform/machine.h"
#include "platform/registry/registry.h"
#include "purge/guarded_purge.h"
#include "purge/purge_context.h"
#include "purge/purge_report.h"
#include "purge/report_text.h"
#include "purge/run_state.h"

#include <QCoreApplication>

#include <string>
#include <vector>

namespace kp {

namespace {

using win::RegRoot;

constexpr const char* kMsnUsers = "Software\\Microsoft\\MSN6\\Users";

struct TypedValue {
    std::string name;
    std::string data;
};

// Which values of a key are items.
enum class ItemRule { UrlNames, AllButMruList };

bool isItem(const std::string& name, ItemRule rule)
{
    if (rule == ItemRule::UrlNames)
        return win::startsWithNoCase(name, "URL");
    return !win::equalNoCase(name, "MRULIST");
}

// Purges the items of one key; `label` opens each item text, `userLine` (when
// not empty) is written before the first item.
void purgeTypedKey(PurgeContext& context, const std::string& subKey, const std::string& label, ItemRule rule,
                   const std::string& userLine, long long& counter)
{
    win::Registry& registry = context.machine->registry();
    PurgeReport& report = context.report;
    RunState& run = context.run;
    win::RegKey key;
    if (registry.openKey(RegRoot::CurrentUser, subKey, !run.PreviewFlag, key) != win::err::SUCCESS)
        return;
    // The names are taken first: deleting while enumerating would skip values.
    std::vector<TypedValue> values;
    std::string name;
    win::RegValue value;
    for (win::DWORD i = 0; registry.enumValue(key, i, name, value) == win::err::SUCCESS; ++i) {
        const bool text = value.type == win::regtype::SZ || value.type == win::regtype::EXPAND_SZ;
        values.push_back({name, text ? win::regValueText(value) : std::string()});
    }
    bool first = true;
    for (const TypedValue& v : values) {
        if (run.CancelFlag) {
            report.AddReportLine(QStringLiteral("*** Cancelled by operator."));
            return;
        }
        if (!isItem(v.name, rule))
            continue;
        if (first && !userLine.empty())
            report.AddReportLine(QString::fromStdString(userLine));
        first = false;
        ++counter;
        ++run.ProcessedCount;
        const QString item = QString::fromStdString(label + "-" + v.name + " = " + v.data);
        if (run.PreviewFlag) {
            if (run.detail)
                report.AddReportLine(QString::fromLatin1(result::ToDelete) + item);
        } else if (registry.deleteValue(key, v.name) != win::err::SUCCESS) {
            report.AddReportLine(QString::fromLatin1(result::DeleteFailed) + item);
            context.errors.ErrorFlag = true;
            context.errors.RaiseErrorLevel(3);
        } else if (run.detail) {
            report.AddReportLine(QString::fromLatin1(result::Deleted) + item);
        }
        QCoreApplication::processEvents();
    }
}

std::vector<std::string> msnExplorerUsers(win::Registry& registry)
{
    std::vector<std::string> users;
    win::RegKey key;
    if (registry.openKey(RegRoot::CurrentUser, kMsnUsers, false, key) != win::err::SUCCESS)
        return users;
    std::string name;
    for (win::DWORD i = 0; registry.enumKey(key, i, name) == win::err::SUCCESS; ++i)
        users.push_back(name);
    return users;
}

} // namespace

void PurgeTypedUrls(PurgeContext& context)
{
    PurgeReport& report = context.report;
    guardedPurge(context, "Typed URLs", [&] {
        report.AddReportLine(QStringLiteral("Typed URLs:"));
        long long counter = 0;
        purgeTypedKey(context, "Software\\Microsoft\\Internet Explorer\\Typedurls", "I.E.", ItemRule::UrlNames, {},
                      counter);
        purgeTypedKey(context, "Software\\Microsoft\\MSN\\Typedurls", "MSN", ItemRule::UrlNames, {}, counter);
        for (const std::string& user : msnExplorerUsers(context.machine->registry())) {
            if (context.run.CancelFlag)
                break;
            purgeTypedKey(context, std::string(kMsnUsers) + "\\" + user + "\\TypedURLs", "MSN",
                          ItemRule::AllButMruList, "       ..Process MSN entries for - " + user, counter);
        }
        if (counter >= 1) {
            report.AddReportLine(QStringLiteral("  Purge \"Typed URLs\" Function Completed. ") + QString::number(counter)
                                 + QStringLiteral(" entries Processed."));
        } else {
            report.AddReportLine(QStringLiteral("    No Typed URLs were found to delete."));
            report.AddReportLine(QStringLiteral("  Purge \"Typed URLs\" Function Completed. "));
        }
    });
}

} // namespace kp
