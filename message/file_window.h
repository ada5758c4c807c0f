// Random access to a message file through a window of 16,384 bytes, so a
// large message is never held in memory whole.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fennel {

class FileWindow {
 public:
  static constexpr size_t kWindow = 16384;

  FileWindow() = default;
  ~FileWindow();
  FileWindow(const FileWindow&) = delete;
  FileWindow& operator=(const FileWindow&) = delete;

  bool Open(const std::string& path);  // CP932 path
  void Close();
  bool isOpen() const { return fd_ >= 0; }
  int64_t size() const { return size_; }

  // The byte at off, or -1 past the end.
  int At(int64_t off) {
    if (off < winStart_ || off >= winStart_ + static_cast<int64_t>(winLen_)) {
      if (!Load(off)) return -1;
    }
    return static_cast<unsigned char>(buf_[static_cast<size_t>(off - winStart_)]);
  }
  // Up to n bytes from off (fewer at the end).
  size_t Read(int64_t off, char* out, size_t n);
  // The bytes [begin, end) appended to out.
  void Append(int64_t begin, int64_t end, std::string& out);
  // The offset of the first CR of a CR LF at or after from and before end,
  // or -1.
  int64_t FindCrLf(int64_t from, int64_t end);
  // The first occurrence of needle in [from, end), or -1. Linear in the
  // range whatever the needle.
  int64_t Find(const std::string& needle, int64_t from, int64_t end);

 private:
  bool Load(int64_t off);

  int fd_ = -1;
  int64_t size_ = 0;
  std::vector<char> buf_ = std::vector<char>(kWindow);
  int64_t winStart_ = 0;
  size_t winLen_ = 0;
};

}  // namespace fennel
