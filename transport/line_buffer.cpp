#include "transport/line_buffer.h"

#include <cstring>

namespace fennel {

size_t LineBuffer::Append(std::string_view bytes) {
  size_t n = std::min(bytes.size(), Room());
  std::memcpy(WritePtr(), bytes.data(), n);
  Commit(n);
  return n;
}

bool LineBuffer::NextLine(std::string& line, bool& partial) {
  for (size_t i = 0; i + 1 < fill_; ++i) {
    if (data_[i] == '\r' && data_[i + 1] == '\n') {
      line.assign(data_, i);
      std::memmove(data_, data_ + i + 2, fill_ - i - 2);
      fill_ -= i + 2;
      partial = false;
      return true;
    }
  }
  if (fill_ < kCapacity) return false;
  size_t n = data_[fill_ - 1] == '\r' ? fill_ - 1 : fill_;
  line.assign(data_, n);
  std::memmove(data_, data_ + n, fill_ - n);
  fill_ -= n;
  partial = true;
  return true;
}

bool IsPositive(std::string_view line) {
  return line.size() >= 3 && line[0] == '+' && (line[1] == 'O' || line[1] == 'o') &&
         (line[2] == 'K' || line[2] == 'k');
}

int ReplyClass(std::string_view line) {
  if (line.empty() || line[0] < '0' || line[0] > '9') return 0;
  return line[0] - '0';
}

}  // namespace fennel
