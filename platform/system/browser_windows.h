#pragma once
// The machine's top-level windows, as far as the cleaner asks about them:
// browser windows. While the prefix's Wine session runs they are that
// session's windows; otherwise a running Internet Explorer (iexplore.exe) or
// MSN Explorer (msn6.exe) process of this prefix stands for one visible
// window of its class. Tests give their own list.

#include "platform/system/session_windows.h"

#include <string>
#include <vector>

namespace kp::win {

struct TopLevelWindow {
    std::string className;
    std::string title;
    bool visible = true;
    std::vector<std::string> childTitles;
};

class WindowList {
public:
    virtual ~WindowList() = default;
    virtual std::vector<TopLevelWindow> topLevelWindows() = 0;
};

// The windows of the browser processes that run in the prefix `prefixDir`
// (their WINEPREFIX, else ~/.wine, names the same folder), found under /proc.
class ProcessWindowList : public WindowList {
public:
    explicit ProcessWindowList(std::string prefixDir, std::string procDir = "/proc");
    std::vector<TopLevelWindow> topLevelWindows() override;

private:
    std::string prefixDir_;
    std::string procDir_;
};

// The session's windows when the helper can list them, else the processes'.
class MachineWindowList : public WindowList {
public:
    MachineWindowList(MachineWindows& session, std::string prefixDir);
    std::vector<TopLevelWindow> topLevelWindows() override;

private:
    MachineWindows& session_;
    ProcessWindowList processes_;
};

} // namespace kp::win
