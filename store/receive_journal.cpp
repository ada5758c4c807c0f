#include "store/receive_journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/fs.h"
#include "store/folder_detail.h"
#include "store/mail_detail.h"
#include "store/sorting.h"

namespace fennel {

bool ReceiveJournal::Add(const std::string& name, bool sync) {
  if (path_.empty()) return true;
  const std::string fsPath = ToFsPath(path_);
  int fd = open(fsPath.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const std::string line = name + "\n";
  bool ok = true;
  for (size_t done = 0; ok && done < line.size();) {
    ssize_t n = write(fd, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ok = false;
    else done += static_cast<size_t>(n);
  }
  if (ok && sync) ok = fdatasync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (ok && sync && !dirSynced_) {
    // A journal made just now needs its directory entry on disk too.
    const size_t slash = fsPath.find_last_of('/');
    int dfd = open(slash == std::string::npos ? "." : fsPath.substr(0, slash).c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
      ok = fsync(dfd) == 0;
      close(dfd);
    }
    dirSynced_ = ok;
  }
  return ok;
}

std::vector<std::string> ReceiveJournal::Names() const {
  std::vector<std::string> names;
  std::string text;
  if (path_.empty() || !ReadWholeFile(path_, text)) return names;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    // A last line without its line end was cut by a crash while written.
    if (nl == std::string::npos) break;
    std::string name = text.substr(start, nl - start);
    // Only bare names of message files: the journal never names a path.
    if (!name.empty() && name.find('/') == std::string::npos && name != "." && name != "..") names.push_back(name);
    start = nl + 1;
  }
  return names;
}

bool ReceiveJournal::Clear() {
  if (path_.empty()) return true;
  dirSynced_ = false;
  return RemoveFile(path_);
}

CMailDetail* FileReceivedMessage(CListInfo& store, const std::string& path, Prompter* prompter) {
  struct stat st;
  if (stat(ToFsPath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 10) return nullptr;
  std::unique_ptr<CMailDetail> mail = CMailDetail::FromFile(path);
  CFolderDetail* folder = SortMail(store, *mail);
  if (!folder) folder = store.FolderOrCreate(kInboxFolder);
  if (!mail->messageId.empty()) {
    if (CMailDetail* held = folder->FindMailById(mail->messageId)) {
      // Fetched twice: the copy goes, unless it is the very file held.
      if (held->filePath != path && !RemoveFile(path) && prompter)
        prompter->Show("File " + path + "は削除されませんでした。");
      return nullptr;
    }
  }
  return folder->AddMail(std::move(mail));
}

}  // namespace fennel
