#pragma once
// What a purge function is given: the report, the run's state and the
// program-wide objects it may read.

namespace kp {

namespace win {
class Machine;
}
class Keywords;
class MessageService;
class PurgeReport;
struct ErrorState;
struct FolderSet;
struct GeneralSettings;
struct RunState;

struct PurgeContext {
    PurgeReport& report;
    RunState& run;
    ErrorState& errors;
    const Keywords& keywords;
    const FolderSet& folders;
    const GeneralSettings& general;
    MessageService& messages;
    win::Machine* machine = nullptr; // the machine purged; null where no step touches it
};

} // namespace kp
