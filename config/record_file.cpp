#include "config/record_file.h"

#include <fcntl.h>
#include <malloc.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "platform/crc32.h"
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

// Counts and sums what passes, writing nothing.
class SumSink : public ArchiveSink {
 public:
  bool Write(const void* data, size_t size) override {
    crc_.Update(data, size);
    size_ += size;
    return true;
  }
  RecordSum sum() const { return RecordSum{size_, crc_.value()}; }

 private:
  Crc32 crc_;
  uint64_t size_ = 0;
};

// Sums the bytes read from a file.
class SummingSource : public ArchiveSource {
 public:
  explicit SummingSource(int fd) : file_(fd) {}
  size_t Read(void* data, size_t size) override {
    size_t n = file_.Read(data, size);
    crc_.Update(data, n);
    size_ += n;
    return n;
  }
  RecordSum sum() const { return RecordSum{size_, crc_.value()}; }

 private:
  FileSource file_;
  Crc32 crc_;
  uint64_t size_ = 0;
};

// Values that no record written by the program holds.
bool HoldsImpossibleValues(const CUserInfo& user) {
  for (const auto& folder : user.store.folders) {
    if (folder->state != 0 && folder->state != 2) return true;
    for (const auto& mail : folder->mails)
      if (mail->state < CMailDetail::kRead || mail->state > CMailDetail::kUnread) return true;
  }
  return false;
}

// A whole store takes about three times its file in memory, in many small
// records. For the time of a big load the heap is grown at once and, where
// the system allows, backed by huge pages: a store of 100,000 mails
// otherwise spends most of its load in page faults. Afterwards the
// allocator's usual limits come back.
class HeapForLoad {
 public:
  explicit HeapForLoad(size_t bytes) {
    if (bytes < (16u << 20)) return;
    active_ = true;
    bytes = std::min<size_t>(bytes, 512u << 20);
    // One block from the main heap (not a mapping of its own), kept as free
    // space at the top once it is given back.
    mallopt(M_MMAP_THRESHOLD, static_cast<int>(bytes + (1u << 20)));
    mallopt(M_TRIM_THRESHOLD, static_cast<int>(bytes + (1u << 20)));
    char* before = static_cast<char*>(sbrk(0));
    void* block = malloc(bytes);
    char* after = static_cast<char*>(sbrk(0));
    const uintptr_t huge = 2u << 20;
    uintptr_t start = (reinterpret_cast<uintptr_t>(before) + huge - 1) & ~(huge - 1);
    uintptr_t end = reinterpret_cast<uintptr_t>(after) & ~(huge - 1);
    if (block && end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
    free(block);
  }
  ~HeapForLoad() {
    if (!active_) return;
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024);
  }

 private:
  bool active_ = false;
};

}  // namespace

RecordLoad LoadRecordFile(const std::string& path, CUserInfo& user, bool settingsOnly, Prompter* prompter,
                          RecordSum* sum) {
  int fd = open(ToFsPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return RecordLoad::CannotOpen;
  struct stat st;
  HeapForLoad heap(!settingsOnly && fstat(fd, &st) == 0 ? static_cast<size_t>(st.st_size) * 3 : 0);
  SummingSource source(fd);
  RecordLoad result = RecordLoad::Ok;
  try {
    CArchive ar(source);
    ar.set_prompter(prompter);
    if (settingsOnly) {
      user.SerializeSettings(ar);
    } else {
      user.Serialize(ar);
      // A file is exactly the encoding of its record: anything after it
      // means a count or a length was damaged and the rest went unread.
      if (!ar.AtEnd() || HoldsImpossibleValues(user)) result = RecordLoad::Damaged;
    }
  } catch (const ArchiveError&) {
    result = RecordLoad::Damaged;
  } catch (const std::bad_alloc&) {
    result = RecordLoad::Damaged;
  }
  close(fd);
  if (sum) *sum = source.sum();
  return result;
}

RecordSum SumOfRecord(CUserInfo& user) {
  SumSink sink;
  CArchive ar(sink);
  user.Serialize(ar);
  ar.Flush();
  return sink.sum();
}

bool WriteRecord(AtomicFile& file, CUserInfo& user) {
  AtomicFileSink sink(file);
  try {
    CArchive ar(sink);
    user.Serialize(ar);
    ar.Flush();
  } catch (const ArchiveError&) {
    return false;
  }
  return !file.failed();
}

bool SaveRecordFile(const std::string& path, CUserInfo& user) {
  AtomicFile file;
  if (!file.Open(path, 0600)) return false;
  return WriteRecord(file, user) && file.Commit();
}

}  // namespace fennel
