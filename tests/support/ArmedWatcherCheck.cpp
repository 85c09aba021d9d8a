#include "tests/support/ArmedWatcherCheck.h"

#include "tests/support/Watcher.h"

namespace kelvane::test {

// GoogleTest still counts failures added here against the test: it calls the
// listeners' OnTestEnd (in reverse order, so before its own printer's) while
// the test is the current one.

void TArmedWatcherCheck::OnTestStart(const testing::TestInfo&) {
  for (const std::string& left : TWatcher::DisarmAll()) ADD_FAILURE() << "armed before the test began: " << left;
}

void TArmedWatcherCheck::OnTestEnd(const testing::TestInfo&) {
  for (const std::string& left : TWatcher::DisarmAll()) ADD_FAILURE() << "still armed when the test ended: " << left;
}

}  // namespace kelvane::test
