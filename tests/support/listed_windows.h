#pragma once
// The machine's top-level windows as a test lists them: none unless the
// test adds some.

#include "platform/system/browser_windows.h"

#include <vector>

namespace kp::test {

class ListedWindows : public kp::win::WindowList {
public:
    std::vector<kp::win::TopLevelWindow> topLevelWindows() override { return windows; }
    std::vector<kp::win::TopLevelWindow> windows;
};

} // namespace kp::test
