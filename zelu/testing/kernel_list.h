// Test helper: what every list of kernels satisfies, and the kernels' names
// as test names.
//
// A unit with vector kernels lists the scalar kernel first, then each
// vector kernel this CPU runs, each name once; its active kernel is the
// first listed vector kernel other than Highway's emulated one ("EMU128"),
// or the scalar kernel when there is none.
#pragma once

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace zelu::testing {

template <typename Kernel>
void ExpectKernelList(const std::vector<const Kernel*>& kernels, const Kernel& scalar, const Kernel& active) {
  ASSERT_FALSE(kernels.empty());
  EXPECT_EQ(kernels.front(), &scalar);
  std::set<std::string> names;
  for (const Kernel* kernel : kernels) EXPECT_TRUE(names.insert(kernel->name).second) << kernel->name;
  const auto chosen = std::find_if(kernels.begin() + 1, kernels.end(),
                                   [](const Kernel* kernel) { return std::string(kernel->name) != "EMU128"; });
  EXPECT_EQ(&active, chosen == kernels.end() ? &scalar : *chosen) << active.name;
}

// Names parameterised cases after their kernel: "Kernels/HexKernelTest.X/AVX2".
struct KernelName {
  template <typename Kernel>
  std::string operator()(const ::testing::TestParamInfo<const Kernel*>& param_info) const {
    return param_info.param->name;
  }
};

}  // namespace zelu::testing
