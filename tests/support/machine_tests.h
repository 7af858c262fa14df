#pragma once
// Fixtures for tests that run on a sample machine or on the shared prefix
// made by real Wine.

#include "tests/support/built_machine.h"
#include "tests/support/real_wine_machine.h"

#include <gtest/gtest.h>

namespace kp::test {

// A sample machine of its own for each test, which the test may change.
class OnBuiltMachine : public ::testing::Test {
protected:
    explicit OnBuiltMachine(const kp::sample::MachineSpec& recipe = BuiltMachine::fixedSpec()) : built(recipe) {}
    void SetUp() override { ASSERT_TRUE(built.ok()); }
    kp::win::Machine& machine() { return built.machine(); }

    BuiltMachine built;
};

// The default sample machine, built once per test program, for tests that
// only read it.
class OnSampleMachine : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(built().ok()); }
    static BuiltMachine& built()
    {
        static BuiltMachine machine;
        return machine;
    }
    static kp::win::Machine& machine() { return built().machine(); }
};

// The prefix made by real Wine; skipped when Wine is missing. Read only.
class OnRealWineMachine : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!wine)
            GTEST_SKIP() << realWineMachineError();
    }

    kp::win::Machine* wine = realWineMachine();
};

} // namespace kp::test
