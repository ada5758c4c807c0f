#include "message/file_window.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstring>

#include "platform/fs.h"

namespace fennel {

FileWindow::~FileWindow() { Close(); }

bool FileWindow::Open(const std::string& path) {
  Close();
  fd_ = open(ToFsPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return false;
  struct stat st;
  if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    Close();
    return false;
  }
  size_ = st.st_size;
  winStart_ = 0;
  winLen_ = 0;
  return true;
}

void FileWindow::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  winLen_ = 0;
}

bool FileWindow::Load(int64_t off) {
  if (fd_ < 0 || off < 0 || off >= size_) return false;
  // A little of what comes before stays in view: searches look back.
  off -= std::min<int64_t>(off, 512);
  ssize_t n = pread(fd_, buf_.data(), buf_.size(), off);
  if (n <= 0) {
    winLen_ = 0;
    return false;
  }
  winStart_ = off;
  winLen_ = static_cast<size_t>(n);
  return true;
}

size_t FileWindow::Read(int64_t off, char* out, size_t n) {
  size_t done = 0;
  while (done < n) {
    int64_t at = off + static_cast<int64_t>(done);
    if (at < winStart_ || at >= winStart_ + static_cast<int64_t>(winLen_)) {
      if (!Load(at)) break;
    }
    size_t in = static_cast<size_t>(at - winStart_);
    size_t step = std::min(n - done, winLen_ - in);
    std::memcpy(out + done, buf_.data() + in, step);
    done += step;
  }
  return done;
}

void FileWindow::Append(int64_t begin, int64_t end, std::string& out) {
  if (end <= begin) return;
  size_t old = out.size();
  out.resize(old + static_cast<size_t>(end - begin));
  size_t got = Read(begin, out.data() + old, static_cast<size_t>(end - begin));
  out.resize(old + got);
}

int64_t FileWindow::FindCrLf(int64_t from, int64_t end) {
  end = std::min(end, size_);
  int64_t pos = from;
  while (pos < end) {
    if (pos < winStart_ || pos >= winStart_ + static_cast<int64_t>(winLen_)) {
      if (!Load(pos)) return -1;
    }
    size_t in = static_cast<size_t>(pos - winStart_);
    size_t avail = std::min<size_t>(winLen_ - in, static_cast<size_t>(end - pos));
    const char* base = buf_.data() + in;
    const void* cr = std::memchr(base, '\r', avail);
    if (!cr) {
      pos += static_cast<int64_t>(avail);
      continue;
    }
    int64_t crPos = pos + (static_cast<const char*>(cr) - base);
    if (crPos + 1 >= end) return -1;
    if (At(crPos + 1) == '\n') return crPos;
    pos = crPos + 1;
  }
  return -1;
}

int64_t FileWindow::Find(const std::string& needle, int64_t from, int64_t end) {
  const int64_t m = static_cast<int64_t>(needle.size());
  end = std::min(end, size_);
  if (m == 0 || end - from < m) return -1;
  std::array<int64_t, 256> skip;
  skip.fill(m);
  for (int64_t i = 0; i < m - 1; ++i) skip[static_cast<unsigned char>(needle[static_cast<size_t>(i)])] = m - 1 - i;
  const unsigned char last = static_cast<unsigned char>(needle.back());
  int64_t pos = from;
  while (pos + m <= end) {
    int c = At(pos + m - 1);
    if (c < 0) return -1;
    if (c == last) {
      int64_t j = m - 2;
      while (j >= 0 && At(pos + j) == static_cast<unsigned char>(needle[static_cast<size_t>(j)])) --j;
      if (j < 0) return pos;
    }
    pos += skip[static_cast<unsigned char>(c)];
  }
  return -1;
}

}  // namespace fennel
