#include "config/id_file.h"

#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <vector>

#include "platform/fs.h"

namespace fennel {
namespace {

constexpr const char* kSumHeader = "FENNEL-ID-SUM 1";

// The sums the side file names (none when it is missing or unreadable).
std::vector<RecordSum> ReadSums(const std::string& idPath) {
  std::vector<RecordSum> sums;
  std::string text;
  if (!ReadWholeFile(IdSumFile(idPath), text) || text.rfind(kSumHeader, 0) != 0) return sums;
  size_t at = text.find('\n');
  while (at != std::string::npos && at + 1 < text.size()) {
    uint64_t size = 0;
    unsigned crc = 0;
    if (std::sscanf(text.c_str() + at + 1, "%" SCNu64 " %x", &size, &crc) == 2)
      sums.push_back(RecordSum{size, static_cast<uint32_t>(crc)});
    at = text.find('\n', at + 1);
  }
  return sums;
}

bool WriteSums(const std::string& idPath, const std::vector<RecordSum>& sums) {
  std::string text = std::string(kSumHeader) + "\n";
  char line[64];
  for (const RecordSum& s : sums) {
    std::snprintf(line, sizeof line, "%" PRIu64 " %08x\n", s.size, static_cast<unsigned>(s.crc));
    text += line;
  }
  return WriteFileAtomic(IdSumFile(idPath), text, 0600);
}

// Makes `as` a second name of the current file (a hard link, so no copy),
// replacing what had that name only once the link exists.
bool KeepUnderName(const std::string& idPath, const std::string& as) {
  const std::string fsPath = ToFsPath(idPath);
  const std::string fsPrev = ToFsPath(as);
  const std::string temp = fsPrev + ".new";
  unlink(temp.c_str());
  if (link(fsPath.c_str(), temp.c_str()) != 0) return false;
  if (rename(temp.c_str(), fsPrev.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace

IdLoad LoadIdFile(const std::string& idPath, bool previous, CUserInfo& user, Prompter* prompter, RecordSum* sum) {
  RecordSum got;
  RecordLoad r = LoadRecordFile(previous ? PreviousIdFile(idPath) : idPath, user, false, prompter, &got);
  if (sum) *sum = got;
  if (r == RecordLoad::CannotOpen) return IdLoad::CannotOpen;
  if (r == RecordLoad::Damaged) return IdLoad::Damaged;
  // The side file names the generations written by the program; a file of
  // another size or sum was changed behind its back (or by a bad disk).
  // Without a side file (an older store) there is nothing to compare.
  const std::vector<RecordSum> sums = ReadSums(idPath);
  if (sums.empty()) return IdLoad::Ok;
  for (const RecordSum& s : sums)
    if (s == got) return IdLoad::Ok;
  return IdLoad::SumMismatch;
}

IdSave SaveIdFile(const std::string& path, CUserInfo& user, IdFileState& state) {
  const RecordSum now = SumOfRecord(user);
  const bool exists = FileExists(path);
  if (exists && state.known && !state.damagedOnDisk && now == state.onDisk) return IdSave::Unchanged;

  // The new generation goes to a temporary file first; the old one is not
  // touched until it is complete.
  AtomicFile file;
  if (!file.Open(path, 0600)) return IdSave::Failed;
  if (!WriteRecord(file, user)) {
    file.Discard();
    return IdSave::Failed;
  }

  std::vector<RecordSum> sums{now};
  if (exists && state.damagedOnDisk) {
    // The damaged file is kept for the user to look at, never written over;
    // the previous generation the logon came from stays as it is.
    KeepUnderName(path, DamagedIdFile(path));
    sums.push_back(state.previous);
  } else if (exists && state.known) {
    if (KeepUnderName(path, PreviousIdFile(path))) sums.push_back(state.onDisk);
  }
  // The side file names both generations before the new one takes the
  // name, so a crash between the steps leaves a file that still checks.
  if (!WriteSums(path, sums) || !file.Commit(true)) {
    file.Discard();
    return IdSave::Failed;
  }
  state.known = true;
  state.damagedOnDisk = false;
  state.onDisk = now;
  return IdSave::Written;
}

}  // namespace fennel
