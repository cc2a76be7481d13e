// A test fixture that joins the apartment, starts every test from a clean
// CALDER_SIM_* environment and creates the component by class id.
#pragma once

#include <gtest/gtest.h>

#include "contract/CalderContract.h"
#include "testing/SimHarness.h"

namespace calder::sim::testing {

class SimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(apartment_.result()));
    ClearSimEnvironment();
  }
  void TearDown() override { ClearSimEnvironment(); }

  // A new component configured by the variables set so far.
  ComPtr<IDispatch> Create() {
    ComPtr<IDispatch> sim;
    const HRESULT hr = CreateSim(&sim);
    EXPECT_EQ(hr, S_OK) << std::hex << hr;
    return sim;
  }

 private:
  Apartment apartment_;
};

}  // namespace calder::sim::testing
