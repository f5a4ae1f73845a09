#pragma once
// The Mersenne Twister behind VELDRAND.

#include <array>
#include <cstdint>

class MT19937 {
 public:
  MT19937() { Seed(4357); }
  void Seed(uint32_t seed);
  uint32_t Next();

 private:
  std::array<uint32_t, 624> mt_{};
  int mti_ = 625;
};
