#pragma once

#include <gtest/gtest.h>

#include "support/WaylandServer.h"

namespace wystrand::test {

// The private headless sway of a binary that links OnSway.cpp: started before the application,
// whose windows are then layer surfaces on it.
WaylandServer& sway();

// Without sway every test skips, saying why.
class SwayTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!sway().why().empty()) {
            GTEST_SKIP() << sway().why();
        }
    }
};

}  // namespace wystrand::test
