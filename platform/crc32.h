// CRC-32 (the polynomial of zip and PNG), computed piece by piece.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fennel {

class Crc32 {
 public:
  void Update(const void* data, size_t size);
  uint32_t value() const { return ~state_; }

 private:
  uint32_t state_ = 0xFFFFFFFFu;
};

}  // namespace fennel
