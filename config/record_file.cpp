#include "config/record_file.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/fs.h"
#include "store/archive.h"

namespace fennel {
namespace {

class AtomicFileSink : public ArchiveSink {
 public:
  explicit AtomicFileSink(AtomicFile& file) : file_(file) {}
  bool Write(const void* data, size_t size) override { return file_.Write(data, size); }

 private:
  AtomicFile& file_;
};

}  // namespace

RecordLoad LoadRecordFile(const std::string& path, CUserInfo& user, bool settingsOnly, Prompter* prompter) {
  int fd = open(ToFsPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return RecordLoad::CannotOpen;
  FileSource source(fd);
  RecordLoad result = RecordLoad::Ok;
  try {
    CArchive ar(source);
    ar.set_prompter(prompter);
    if (settingsOnly)
      user.SerializeSettings(ar);
    else
      user.Serialize(ar);
  } catch (const ArchiveError&) {
    result = RecordLoad::Damaged;
  }
  close(fd);
  return result;
}

bool SaveRecordFile(const std::string& path, CUserInfo& user) {
  AtomicFile file;
  if (!file.Open(path, 0600)) return false;
  AtomicFileSink sink(file);
  try {
    CArchive ar(sink);
    user.Serialize(ar);
    ar.Flush();
  } catch (const ArchiveError&) {
    return false;
  }
  return file.Commit();
}

}  // namespace fennel
