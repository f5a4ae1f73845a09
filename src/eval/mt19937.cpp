#include "eval/mt19937.h"

namespace {

constexpr int kN = 624;
constexpr int kM = 397;
constexpr uint32_t kMatrixA = 0x9908B0DFu;
constexpr uint32_t kUpperMask = 0x80000000u;
constexpr uint32_t kLowerMask = 0x7FFFFFFFu;
constexpr uint32_t kDefaultSeed = 4357;

inline uint32_t Twist(uint32_t upper, uint32_t lower, uint32_t far) {
  uint32_t y = (upper & kUpperMask) | (lower & kLowerMask);
  return far ^ (y >> 1) ^ ((y & 1u) ? kMatrixA : 0u);
}

}  // namespace

// The two-step linear congruential seeding: each word takes the high halves of
// two consecutive states of x -> 69069 x + 1.
void MT19937::Seed(uint32_t seed) {
  uint32_t x = seed;
  for (uint32_t& word : mt_) {
    uint32_t next = x * 69069u + 1u;
    word = (x & 0xFFFF0000u) | (next >> 16);
    x = next * 69069u + 1u;
  }
  mti_ = kN;
}

uint32_t MT19937::Next() {
  if (mti_ >= kN) {
    if (mti_ > kN) Seed(kDefaultSeed);  // never seeded
    int k = 0;
    for (; k < kN - kM; ++k) mt_[k] = Twist(mt_[k], mt_[k + 1], mt_[k + kM]);
    for (; k < kN - 1; ++k) mt_[k] = Twist(mt_[k], mt_[k + 1], mt_[k + kM - kN]);
    mt_[kN - 1] = Twist(mt_[kN - 1], mt_[0], mt_[kM - 1]);
    mti_ = 0;
  }
  uint32_t y = mt_[mti_++];
  y ^= y >> 11;
  y ^= (y << 7) & 0x9D2C5680u;
  y ^= (y << 15) & 0xEFC60000u;
  y ^= y >> 18;
  return y;
}
