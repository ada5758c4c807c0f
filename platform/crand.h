// Pseudo-random numbers exactly as the C runtime of the original platform
// draws them. Every rule whose results are stored (scrambled passwords,
// message file names) draws from this generator, so its values never depend
// on the C library of the machine.
#pragma once

#include <cstdint>

namespace fennel {

class CRand {
 public:
  explicit CRand(uint32_t seed = 1) : state_(seed) {}
  void Seed(uint32_t seed) { state_ = seed; }
  // state = state * 214013 + 2531011; the result is bits 16-30 (0..32767).
  int Next() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 0x7FFF);
  }

 private:
  uint32_t state_;
};

// The process-wide generator, the stand-in of srand() and rand().
void CrtSrand(uint32_t seed);
int CrtRand();

}  // namespace fennel
