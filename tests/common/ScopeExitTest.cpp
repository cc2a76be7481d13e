// The scope guard: its function runs once, however the scope ends.
#include <gtest/gtest.h>

#include <stdexcept>

#include "common/ScopeExit.h"

namespace common {
namespace {

TEST(ScopeExit, RunsOnceWhenTheScopeEndsByReturnOrByException) {
  int runs = 0;
  auto leave_early = [&](bool early) {
    const int before = runs;
    const ScopeExit count([&] { ++runs; });
    if (early) return;
    EXPECT_EQ(runs, before) << "not before the scope ends";
  };
  leave_early(true);
  leave_early(false);
  EXPECT_EQ(runs, 2);
  EXPECT_THROW(
      {
        const ScopeExit count([&] { ++runs; });
        throw std::runtime_error("handler failed");
      },
      std::runtime_error);
  EXPECT_EQ(runs, 3);
}

}  // namespace
}  // namespace common
