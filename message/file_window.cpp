#include "message/file_window.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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
  const size_t m = needle.size();
  end = std::min(end, size_);
  if (m == 0 || end - from < static_cast<int64_t>(m)) return -1;
  // The range is read in chunks, each overlapping the one before by m - 1
  // bytes so that no match is missed, and searched by memmem (two-way): the
  // search stays linear whatever the needle and the text, where
  // Boyer-Moore-Horspool compares a long needle over and over against a
  // text that nearly matches it everywhere. Chunks start small, as the next
  // delimiter is usually near, and grow.
  size_t step = std::max<size_t>(m, 4096);
  const size_t maxStep = std::max<size_t>(m, size_t{1} << 18);
  std::string chunk;
  int64_t pos = from;
  while (pos + static_cast<int64_t>(m) <= end) {
    const int64_t stop = std::min<int64_t>(end, pos + static_cast<int64_t>(step + m - 1));
    chunk.resize(static_cast<size_t>(stop - pos));
    const size_t got = Read(pos, chunk.data(), chunk.size());
    if (got < m) return -1;
    const void* hit = memmem(chunk.data(), got, needle.data(), m);
    if (hit) return pos + (static_cast<const char*>(hit) - chunk.data());
    if (got < chunk.size()) return -1;  // the file is shorter than it was
    pos += static_cast<int64_t>(step);
    step = std::min(step * 2, maxStep);
  }
  return -1;
}

}  // namespace fennel
