#include "platform/fs.h"

#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/text.h"

namespace fennel {

std::string ToFsPath(const std::string& p) { return Cp932ToUtf8(p); }
std::string FromFsPath(const std::string& p) { return Utf8ToCp932(p); }

std::string JoinPath(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(ToFsPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirExists(const std::string& path) {
  struct stat st;
  return stat(ToFsPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDir(const std::string& path) {
  return mkdir(ToFsPath(path).c_str(), 0700) == 0 || (errno == EEXIST && DirExists(path));
}

bool MakeDirs(const std::string& path) {
  if (path.empty() || DirExists(path)) return !path.empty();
  size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !MakeDirs(path.substr(0, slash))) return false;
  return MakeDir(path);
}

bool RemoveFile(const std::string& path) {
  return unlink(ToFsPath(path).c_str()) == 0 || errno == ENOENT;
}

bool ReadWholeFile(const std::string& path, std::string& out) {
  out.clear();
  FILE* f = fopen(ToFsPath(path).c_str(), "rb");
  if (!f) return false;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  bool ok = !ferror(f);
  fclose(f);
  return ok;
}

static std::string Resolved(const std::string& p) {
  char buf[PATH_MAX];
  if (realpath(ToFsPath(p).c_str(), buf)) return buf;
  std::string s = ToFsPath(p);
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

bool SamePath(const std::string& a, const std::string& b) { return Resolved(a) == Resolved(b); }

std::string CurrentDir() {
  char buf[PATH_MAX];
  if (!getcwd(buf, sizeof buf)) return {};
  return FromFsPath(buf);
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  std::string cwd = CurrentDir();
  return cwd.empty() ? path : JoinPath(cwd, path);
}

std::string GetEnvCp932(const char* name) {
  const char* v = std::getenv(name);
  return v ? FromFsPath(v) : std::string();
}

std::string HomeDir() {
  std::string home = GetEnvCp932("HOME");
  if (!home.empty()) return home;
  if (struct passwd* pw = getpwuid(getuid())) return FromFsPath(pw->pw_dir);
  return "/tmp";
}

AtomicFile::~AtomicFile() { Discard(); }

bool AtomicFile::Open(const std::string& path, int mode) {
  Discard();
  failed_ = false;
  target_ = ToFsPath(path);
  std::string tmpl = target_ + ".XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  fd_ = mkstemp(name.data());
  if (fd_ < 0) {
    failed_ = true;
    return false;
  }
  temp_ = name.data();
  fchmod(fd_, mode);
  return true;
}

bool AtomicFile::Write(const void* data, size_t size) {
  if (fd_ < 0 || failed_) return false;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::write(fd_, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      failed_ = true;
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool AtomicFile::Commit(bool sync) {
  if (fd_ < 0) return false;
  bool ok = !failed_ && (!sync || fsync(fd_) == 0);
  ok = (close(fd_) == 0) && ok;
  fd_ = -1;
  if (ok) ok = rename(temp_.c_str(), target_.c_str()) == 0;
  if (!ok) {
    unlink(temp_.c_str());
    temp_.clear();
    failed_ = true;
    return false;
  }
  temp_.clear();
  if (!sync) return true;
  // Make the rename itself durable.
  std::string dir = target_.substr(0, target_.find_last_of('/') == std::string::npos ? 0 : target_.find_last_of('/'));
  int dfd = open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (dfd >= 0) {
    fsync(dfd);
    close(dfd);
  }
  return true;
}

void AtomicFile::Discard() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  if (!temp_.empty()) unlink(temp_.c_str());
  temp_.clear();
}

bool WriteFileAtomic(const std::string& path, const std::string& data, int mode, bool sync) {
  AtomicFile f;
  return f.Open(path, mode) && f.Write(data.data(), data.size()) && f.Commit(sync);
}

std::string FileNameOfPath(const std::string& path) {
  size_t start = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsCp932LeadByte(c) && i + 1 < path.size()) {
      ++i;
      continue;
    }
    if (c == '/' || c == '\\') start = i + 1;
  }
  return path.substr(start);
}

bool SameFileBytes(const std::string& a, const std::string& b) {
  FILE* fa = fopen(ToFsPath(a).c_str(), "rb");
  FILE* fb = fopen(ToFsPath(b).c_str(), "rb");
  bool same = fa && fb;
  std::vector<char> ba(1 << 16), bb(1 << 16);
  while (same) {
    size_t na = fread(ba.data(), 1, ba.size(), fa);
    size_t nb = fread(bb.data(), 1, bb.size(), fb);
    if (na != nb || std::memcmp(ba.data(), bb.data(), na) != 0) same = false;
    if (na == 0) break;
  }
  if (fa) fclose(fa);
  if (fb) fclose(fb);
  return same;
}

bool RenameNoReplace(const std::string& from, const std::string& to) {
  const std::string f = ToFsPath(from), t = ToFsPath(to);
  if (renameat2(AT_FDCWD, f.c_str(), AT_FDCWD, t.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the flag: a hard link is just as exclusive.
  if (link(f.c_str(), t.c_str()) != 0) return false;
  unlink(f.c_str());
  return true;
}

bool SyncFileSystemOf(const std::string& path) {
  int fd = open(ToFsPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = syncfs(fd) == 0;
  close(fd);
  return ok;
}

bool CopyFileOver(const std::string& from, const std::string& to) {
  if (SamePath(from, to)) return FileExists(from);
  int in = open(ToFsPath(from).c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st;
  if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(in);
    return false;
  }
  const std::string target = ToFsPath(to);
  std::string temp = target + ".copyXXXXXX";
  int out = mkostemp(temp.data(), O_CLOEXEC);
  if (out < 0) {
    close(in);
    return false;
  }
  bool ok = true;
  off_t left = st.st_size;
  while (ok && left > 0) {
    ssize_t n = copy_file_range(in, nullptr, out, nullptr, static_cast<size_t>(left), 0);
    if (n > 0) {
      left -= n;
    } else if (n == 0) {
      break;  // the file got shorter meanwhile
    } else if (errno == EINTR) {
      continue;
    } else {
      // Not possible between these file systems: plain reads and writes.
      char buf[1 << 16];
      ssize_t r;
      while (ok && (r = read(in, buf, sizeof buf)) != 0) {
        if (r < 0) {
          if (errno == EINTR) continue;
          ok = false;
          break;
        }
        for (ssize_t done = 0; done < r;) {
          ssize_t w = write(out, buf + done, static_cast<size_t>(r - done));
          if (w < 0 && errno == EINTR) continue;
          if (w <= 0) {
            ok = false;
            break;
          }
          done += w;
        }
      }
      left = 0;
    }
  }
  fchmod(out, st.st_mode & 0777);
  close(in);
  ok = (close(out) == 0) && ok;
  if (ok && rename(temp.c_str(), target.c_str()) == 0) return true;
  unlink(temp.c_str());
  return false;
}

}  // namespace fennel
