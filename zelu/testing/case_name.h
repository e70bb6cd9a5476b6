// Test helper: names parameterised cases after their `name` member, so a
// failing row reads "Table/Decode.OddLength" instead of a byte dump.
#pragma once

#include <string>

#include <gtest/gtest.h>

namespace zelu::testing {

struct CaseName {
  template <typename Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& param_info) const {
    return param_info.param.name;
  }
};

}  // namespace zelu::testing
