// Wall time and peak memory, as every benchmark reports them.
#pragma once

#include <sys/resource.h>

#include <chrono>

namespace fennel::bench {

inline double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The peak resident size of this process so far, in KB.
inline long MaxRssKb() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return ru.ru_maxrss;
}

}  // namespace fennel::bench
