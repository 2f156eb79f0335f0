#pragma once
// A link operation's outcome as a test assertion that names the error.
#include <gtest/gtest.h>

#include "device/LinkResult.h"

namespace vorn::test {

inline ::testing::AssertionResult Ok(const LinkStatus& status) {
  if (status) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << status.error.text;
}

}  // namespace vorn::test
