// The check every Qt test program runs around each test (installed by
// QtTestMain.cpp): a test that ends with a watcher still armed fails, and the
// watcher is disarmed, so that it cannot answer the next test's dialogs or
// reach into the test's destroyed locals. The same holds for a watcher found
// armed when a test starts (one armed outside any test).
#pragma once

#include <gtest/gtest.h>

namespace kelvane::test {

class TArmedWatcherCheck final : public testing::EmptyTestEventListener {
 public:
  void OnTestStart(const testing::TestInfo& test) override;
  void OnTestEnd(const testing::TestInfo& test) override;
};

}  // namespace kelvane::test
