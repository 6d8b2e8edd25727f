#include <cstdint>
#include <vector>

#include "game/random.h"
#include "rules_test_support.h"

namespace {

struct SequenceCase {
  uint32_t seed;
  uint32_t bound;
  std::vector<uint32_t> expected;
};

class RandomSequence : public ::testing::TestWithParam<SequenceCase> {
 protected:
  void SetUp() override { ResetGame(); }
};

TEST_P(RandomSequence, FollowsTheGenerator) {
  const SequenceCase& c = GetParam();
  SeedRandom(c.seed);
  std::vector<uint32_t> got;
  for (size_t i = 0; i < c.expected.size(); ++i) got.push_back(NextRandom(c.bound));
  EXPECT_EQ(got, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Seeds, RandomSequence,
    ::testing::Values(
        // The raw 15-bit values: a bound above them returns them unchanged.
        SequenceCase{1, 32768, {16838, 5758, 10113}},
        SequenceCase{1, 7, {3, 4, 5, 1, 6, 6}},
        SequenceCase{0, 32768, {0}},
        // A bound of 1 always answers 0.
        SequenceCase{1, 1, {0, 0, 0}}));

TEST_F(RulesTest, SeedAdvancesByTheLinearCongruentialStep) {
  SeedRandom(0);
  NextRandom(7);
  EXPECT_EQ(game.seed, 12345u);
  SeedRandom(1);
  NextRandom(1);  // even a bound of 1 advances the state
  EXPECT_EQ(game.seed, 1103515245u + 12345u);
}

TEST_F(RulesTest, SeedWrapsModulo2To32) {
  SeedRandom(0xFFFFFFFFu);
  NextRandom(2);
  // (2^32 - 1) * a + c = -a + c (mod 2^32)
  EXPECT_EQ(game.seed, uint32_t(0u - 1103515245u + 12345u));
}

TEST_F(RulesTest, BoundOfZeroIsAnsweredSafely) {
  SeedRandom(5);
  EXPECT_EQ(NextRandom(0), 0u);
}

TEST_F(RulesTest, CountEmptyCells) {
  EXPECT_EQ(CountEmptyCells(), 81);
  FillWithoutRuns();
  EXPECT_EQ(CountEmptyCells(), 0);
  Put(3, 3, 0);
  Put(4, 3, 0x43);  // a marked ball is not an empty cell
  EXPECT_EQ(CountEmptyCells(), 1);
}

TEST_F(RulesTest, FillNextQueueTakesThreeColourDrawsInOrder) {
  SeedRandom(1);
  FillNextQueue();
  // 3, 4, 5 from seed 1, each plus one.
  EXPECT_EQ(game.NextQueue[0], 4);
  EXPECT_EQ(game.NextQueue[1], 5);
  EXPECT_EQ(game.NextQueue[2], 6);
}

}  // namespace
