// File-system operations on CP932 paths. Paths inside the program are CP932
// bytes with "/" as separator; they are converted to UTF-8 here, at the edge.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace fennel {

std::string ToFsPath(const std::string& cp932Path);    // CP932 -> UTF-8
std::string FromFsPath(const std::string& utf8Path);   // UTF-8 -> CP932

std::string JoinPath(const std::string& dir, const std::string& name);
// The name of a file without its directory. "/" and "\\" both separate;
// the second byte of a two-byte character ("表" is 0x95 0x5C) does not.
std::string FileNameOfPath(const std::string& path);
bool FileExists(const std::string& path);
bool DirExists(const std::string& path);
bool MakeDir(const std::string& path);        // one level
bool MakeDirs(const std::string& path);       // with every missing parent
// Deletes a file. A file that is already gone counts as deleted.
bool RemoveFile(const std::string& path);
bool ReadWholeFile(const std::string& path, std::string& out);
// Whether two files hold the same bytes (false when either cannot be read).
bool SameFileBytes(const std::string& a, const std::string& b);
// Gives a complete file (usually a temporary one) the name to, only when
// nothing has that name yet: an existing file is never replaced. False
// when to is taken (errno EEXIST) or on failure; from stays then.
bool RenameNoReplace(const std::string& from, const std::string& to);
// Two names for one directory: compared by resolved path when both exist.
bool SamePath(const std::string& a, const std::string& b);
// The current directory of the process, empty when it cannot be read.
std::string CurrentDir();
// Makes a relative path absolute against the current directory.
std::string AbsolutePath(const std::string& path);
// Environment variable as CP932, empty when unset.
std::string GetEnvCp932(const char* name);
std::string HomeDir();

// Writes a file so that a crash or a full disk never leaves a truncated file
// in place of the old one: the bytes go to a temporary file in the same
// directory, are flushed to disk, and only then renamed over the target.
class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  bool Open(const std::string& path, int mode = 0600);
  bool Write(const void* data, size_t size);
  // Flushes, syncs and renames. False (and the old file untouched) on failure.
  // Without sync the file is renamed at once; a caller that writes many
  // files syncs them all later (SyncFileSystemOf).
  bool Commit(bool sync = true);
  void Discard();
  bool failed() const { return failed_; }

 private:
  std::string target_;
  std::string temp_;
  int fd_ = -1;
  bool failed_ = false;
};

bool WriteFileAtomic(const std::string& path, const std::string& data, int mode = 0600, bool sync = true);

// Writes to disk everything written to the file system that holds path
// (one call instead of a sync per file). False when that fails.
bool SyncFileSystemOf(const std::string& path);

// Copies a file over another (its bytes go through a temporary file and a
// rename, so a failed copy leaves the target as it was). Copying a file
// onto itself does nothing and succeeds.
bool CopyFileOver(const std::string& from, const std::string& to);

}  // namespace fennel
