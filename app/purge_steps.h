#pragma once
// The functions of the fourteen purge steps, and the frames of the UserData
// and plugin steps.

#include "purge/purge_context.h"
#include "settings/purge_option_table.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace kp {

using StepFunction = std::function<void(PurgeContext&)>;

// One function per step; an empty entry is a step the program cannot
// perform, whose option stays unavailable.
struct StepTable {
    std::array<StepFunction, PurgeStepCount> functions;
    bool shredding = false; // deleted files can be shredded

    StepFunction& operator[](PurgeStep step) { return functions[std::size_t(step)]; }
    const StepFunction& operator[](PurgeStep step) const { return functions[std::size_t(step)]; }
    bool has(PurgeStep step) const { return static_cast<bool>((*this)[step]); }
};

struct UrlCacheServices;

// The steps this build can perform; the URL-cache steps need `urlCache`.
StepTable availablePurgeSteps(UrlCacheServices* urlCache);

// The "Processing" text of a step; `shredSuffix` is added to the steps that
// delete files.
std::string processingText(PurgeStep step, const std::string& shredSuffix);

// The suffix naming the shred kind, empty for previews and unshredded runs.
std::string shredSuffix(bool previewFlag, bool previewButton, bool shredTicked,
                        const std::string& thoroughness, int repeats);

// UserData step: empties the UserData folder with `purgeFolderTree`
// (folder, mask, processed counter).
using FolderTreePurge = std::function<void(PurgeContext&, const std::string& folder,
                                           const std::string& mask, long long& counter)>;
void UserDataStep(PurgeContext& context, const FolderTreePurge& purgeFolderTree);

// Plugin step: runs each selected plugin's lines through the interpreter.
struct PluginStepServices {
    std::function<std::vector<std::string>()> selection;                      // names, in order
    std::function<std::vector<std::string>(const std::string& path)> loadLines; // a plugin file's lines
    std::function<void(PurgeContext&, const std::vector<std::string>& lines, long long& entryCount)> run;
};
void PluginStep(PurgeContext& context, const PluginStepServices& plugins);

} // namespace kp
