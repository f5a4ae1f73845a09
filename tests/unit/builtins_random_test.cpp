// The Mersenne Twister behind VELDRAND.
//
// Expected values were computed outside this code base: the 624 seeded words
// were built in Python from the seeding rule (word = (x & 0xFFFF0000) |
// ((69069 x + 1) >> 16), then x advances two LCG steps), loaded into
// CPython's own MT19937 with random.setstate((3, tuple(words + [624]), None)),
// and drawn with getrandbits(32), so the twist and the tempering come from an
// independent implementation.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "eval/mt19937.h"

namespace {

std::vector<uint32_t> Draw(MT19937& g, int n) {
  std::vector<uint32_t> v;
  for (int i = 0; i < n; ++i) v.push_back(g.Next());
  return v;
}

}  // namespace

TEST(Random, UnseededGeneratorUsesSeed4357) {
  MT19937 g;
  EXPECT_EQ(Draw(g, 10), (std::vector<uint32_t>{2867219139u, 1585203162u, 3113124129u, 2953900839u,
                                                2463794868u, 3482265796u, 1164297043u, 3598195569u,
                                                589972756u, 4112233867u}));
}

TEST(Random, SequenceCrossesSeveralTwists) {
  // Draws 996..1000 lie in the second block of 624 words.
  MT19937 g;
  Draw(g, 995);
  EXPECT_EQ(Draw(g, 5), (std::vector<uint32_t>{1924448690u, 275933853u, 3254129074u, 1742363440u,
                                               1030650439u}));
}

TEST(Random, ExplicitSeeds) {
  MT19937 g;
  g.Seed(1);
  EXPECT_EQ(Draw(g, 3), (std::vector<uint32_t>{3556162021u, 4012392791u, 221657543u}));
  g.Seed(0);
  EXPECT_EQ(Draw(g, 3), (std::vector<uint32_t>{477480905u, 3667282373u, 2229421029u}));
  g.Seed(0xFFFFFFFFu);
  EXPECT_EQ(Draw(g, 3), (std::vector<uint32_t>{1255396560u, 1275255859u, 2016717621u}));
}

TEST(Random, ReseedingRestartsTheSequence) {
  MT19937 g;
  g.Seed(4357);
  std::vector<uint32_t> first = Draw(g, 700);
  g.Seed(4357);
  EXPECT_EQ(Draw(g, 700), first);
  MT19937 fresh;
  EXPECT_EQ(Draw(fresh, 700), first);
}
