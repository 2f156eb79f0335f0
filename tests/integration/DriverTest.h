#pragma once
#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "tests/integration/DriverHarness.h"

namespace vorn::itest {

// A sale of two articles paid in cash.
inline const std::vector<std::string> kSale = {
    "1;PAINE ALBA;BUC;1;1;350;200000",
    "1;LAPTE;L;1;2;799;100000",
    "5;1499;1",
};

class DriverTest : public ::testing::Test {
 protected:
  // The simulator on its own loopback address, the INI for it, the driver started.
  void StartOnTcp(const IniKeys& ini = {}, double timeScale = kTimeScale) {
    ASSERT_TRUE(h.Valid());
    ASSERT_TRUE(h.ListenTcp()) << h.Sim().LastError().toStdString();
    h.WriteIni(ini);
    ASSERT_TRUE(h.StartDriver(timeScale)) << h.DriverOutput();
  }

  void TearDown() override {
    h.StopDriver();
    if (HasFailure()) {
      std::cerr << "---- driver output ----\n"
                << h.DriverOutput() << "\n---- paper roll ----\n"
                << h.RollText() << "\n---- device state ----\n"
                << h.Sim().StatusText().toStdString() << "\n";
    }
  }

  DriverHarness h;
};

}  // namespace vorn::itest
