#include "platform/crand.h"

#include <gtest/gtest.h>

#include <vector>

namespace fennel {
namespace {

// rand() of the classic C runtime after srand(1) (or no srand at all).
const std::vector<int> kSeed1 = {41, 18467, 6334, 26500, 19169};

std::vector<int> Draw(CRand& r, size_t n) {
  std::vector<int> v;
  for (size_t i = 0; i < n; ++i) v.push_back(r.Next());
  return v;
}

TEST(CRandTest, MatchesTheClassicRuntime) {
  CRand seeded(1);
  EXPECT_EQ(Draw(seeded, kSeed1.size()), kSeed1);
  CRand unseeded;
  EXPECT_EQ(Draw(unseeded, kSeed1.size()), kSeed1);
}

TEST(CRandTest, SeedRestartsTheSequence) {
  CRand r(12345);
  std::vector<int> first = Draw(r, 5);
  r.Seed(1);
  EXPECT_EQ(Draw(r, kSeed1.size()), kSeed1);
  r.Seed(12345);
  EXPECT_EQ(Draw(r, 5), first);
}

TEST(CRandTest, ProcessWideGeneratorMatchesToo) {
  CrtSrand(1);
  std::vector<int> got;
  for (size_t i = 0; i < kSeed1.size(); ++i) got.push_back(CrtRand());
  EXPECT_EQ(got, kSeed1);

  CrtSrand(1);
  EXPECT_EQ(CrtRand(), kSeed1[0]);
}

}  // namespace
}  // namespace fennel
