#include "store/error_trap.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace tidewell::store {
namespace {

TEST(ErrorTrap, LogLineAndStatusText) {
  testing::TrapFixture fx;
  int result = fx.trap.run(Procedure{"Save_Email"}, -1,
                           []() -> int { raise(kPathAccess, "Permission denied\r\nsecond line"); });
  EXPECT_EQ(result, -1);
  ASSERT_EQ(fx.logLines().size(), 1u);
  EXPECT_EQ(fx.logLines()[0], "Save_Email:12/5/2026 1:02:03 PM 75 Permission denied  second line");
  EXPECT_EQ(fx.ui.statuses.back(), "Save_Email: Permission denied\r\nsecond line");
  EXPECT_TRUE(fx.trap.run(windowProcedure("UpdateIndex"), [] {}));
  EXPECT_EQ(fx.logLines().size(), 1u);
}

TEST(ErrorTrap, ForeignExceptionsAreTrappedToo) {
  testing::TrapFixture fx;
  EXPECT_FALSE(fx.trap.run(windowProcedure("cmdNewInbound"), [] { throw std::bad_alloc(); }));
  EXPECT_EQ(fx.logLines().back(), "cmdNewInbound 12/5/2026 1:02:03 PM 7 Out of memory");
}

// An operator whose status panel itself fails: the trap must neither recurse nor throw.
class FailingOperator : public testing::RecordingOperator {
 public:
  void showStatus(const std::string&) override {
    ++calls;
    throw std::runtime_error("status bar gone");
  }
  int calls = 0;
};

TEST(ErrorTrap, FailureInsideTheTrapIsSwallowed) {
  testing::TempFolder folder;
  FailingOperator ui;
  testing::FixedClock clock;
  ErrorTrap trap(folder / "no-such-folder", ui, clock);  // the log cannot be written either
  EXPECT_FALSE(trap.run(Procedure{"UpdateFile"}, [] { raise(kBadFormat, "x"); }));
  EXPECT_EQ(ui.calls, 1);
}

}  // namespace
}  // namespace tidewell::store
