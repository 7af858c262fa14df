#pragma once
// What a purge function is called with, for tests: a report whose messages
// are recorded, the run's state and settings, and the context over them.

#include "core/error_level.h"
#include "core/keywords.h"
#include "purge/purge_context.h"
#include "purge/purge_report.h"
#include "purge/run_state.h"
#include "settings/folder_set.h"
#include "settings/general_settings.h"
#include "tests/support/recording_messages.h"
#include "tests/support/report_lines.h"

#include <string>
#include <vector>

namespace kp::test {

struct PurgeRun {
    explicit PurgeRun(kp::win::Machine* machine = nullptr, std::vector<std::string> args = {})
        : keywords(std::move(args))
        , context{report, run, errors, keywords, folders, general, messages, machine}
    {
    }
    PurgeRun(const PurgeRun&) = delete;
    PurgeRun& operator=(const PurgeRun&) = delete;

    std::vector<std::string> lines() const { return reportLines(report); }
    bool hasLine(const std::string& text) const { return reportHasLine(report, text); }

    RecordingMessages messages;
    ErrorState errors;
    RunState run;
    Keywords keywords;
    FolderSet folders;
    GeneralSettings general;
    PurgeReport report{errors, messages};
    PurgeContext context;
};

} // namespace kp::test
