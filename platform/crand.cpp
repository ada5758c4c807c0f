#include "platform/crand.h"

namespace fennel {
namespace {
CRand& Global() {
  static CRand rng;
  return rng;
}
}  // namespace

void CrtSrand(uint32_t seed) { Global().Seed(seed); }
int CrtRand() { return Global().Next(); }

}  // namespace fennel
