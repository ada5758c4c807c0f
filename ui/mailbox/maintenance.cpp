#include "ui/mailbox/maintenance.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "config/settings_report.h"
#include "message/composer.h"
#include "message/line_ends.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "store/composed_mail.h"
#include "store/folder_detail.h"
#include "store/sorting.h"
#include "store/store_file_name.h"

namespace fennel {
namespace {

constexpr const char* kDirChangeFailed = "カレント ディレクトリの変更に失敗しました。";

bool EndsWithNoCase(const std::string& name, const char* ext) {
  const size_t n = std::char_traits<char>::length(ext);
  return name.size() > n && EqualsNoCaseCp932(std::string_view(name).substr(name.size() - n), ext);
}
bool IsRcvName(const std::string& name) { return name.rfind("RCV", 0) == 0 && EndsWithNoCase(name, ".tmp"); }
bool IsSndName(const std::string& name) { return name.rfind("SND", 0) == 0 && EndsWithNoCase(name, ".tmp"); }
bool IsEmlName(const std::string& name) { return EndsWithNoCase(name, ".eml"); }

}  // namespace

std::vector<std::string> ListMessageFiles(const std::string& directory, bool (*accept)(const std::string& name)) {
  std::vector<std::string> names;
  const std::string fsDir = ToFsPath(directory);
  DIR* d = opendir(fsDir.c_str());
  if (!d) return names;
  while (dirent* e = readdir(d)) {
    const std::string name = FromFsPath(e->d_name);
    if (!accept(name)) continue;
    struct stat st;
    if (stat((fsDir + "/" + e->d_name).c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 10) continue;
    names.push_back(name);
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  for (std::string& n : names) n = JoinPath(directory, n);
  return names;
}

std::string ImportedCountText(int count) {
  if (count == 1) return "メッセージを１通取り込みました。";
  return "メッセージを" + std::to_string(count) + "通取り込みました。";
}

bool CMaintenance::IsCommand(unsigned id) {
  switch (id) {
    case ID_REBUILD:
    case ID_WRITE_REPORT:
    case ID_BACKUP_SUBACCOUNTS:
    case ID_BACKUP_FOLDERS:
    case ID_RESTORE_SUBACCOUNTS:
    case ID_RESTORE_FOLDERS:
    case ID_IMPORT_EML:
      return true;
    default:
      return false;
  }
}

bool CMaintenance::IsEnabled(unsigned id) const {
  switch (id) {
    case ID_REBUILD: return !app_.user().mailDir.empty();
    case ID_WRITE_REPORT:
    case ID_BACKUP_SUBACCOUNTS:
    case ID_BACKUP_FOLDERS:
    case ID_RESTORE_SUBACCOUNTS:
    case ID_RESTORE_FOLDERS:
      return true;
    case ID_IMPORT_EML: return !app_.user().mailDir.empty();
    default: return false;
  }
}

std::optional<std::string> CMaintenance::PickTextFile(bool save, const char* defaultName) {
  return picker_.PickFile(save, defaultName, "txt", kTextFileFilter);
}

void CMaintenance::OnCommand(unsigned id) {
  if (!IsEnabled(id)) return;
  switch (id) {
    case ID_REBUILD: {
      MbAnswer a = app_.prompter().Show(kRebuildQuestion, MbIcon::Question, MbButtons::YesNoCancel);
      if (a == MbAnswer::Yes) Rebuild(CMailDetail::kRead);
      if (a == MbAnswer::No) Rebuild(CMailDetail::kUnread);
      return;
    }
    case ID_WRITE_REPORT:
      if (auto p = PickTextFile(true, kSettingsReportFileName)) WriteReport(*p);
      return;
    case ID_BACKUP_SUBACCOUNTS:
      if (auto p = PickTextFile(true, kSubAccountFileName)) Backup(TextFileKind::SubAccount, *p);
      return;
    case ID_BACKUP_FOLDERS:
      if (auto p = PickTextFile(true, kFolderFileName)) Backup(TextFileKind::Folder, *p);
      return;
    case ID_RESTORE_SUBACCOUNTS:
      if (auto p = PickTextFile(false, kSubAccountFileName)) Restore(TextFileKind::SubAccount, *p);
      return;
    case ID_RESTORE_FOLDERS:
      if (auto p = PickTextFile(false, kFolderFileName)) Restore(TextFileKind::Folder, *p);
      return;
    case ID_IMPORT_EML:
      if (auto dir = picker_.PickFolder("フォルダを選択してください", "")) ImportEml(*dir);
      return;
    default:
      return;
  }
}

bool CMaintenance::WriteReport(const std::string& path) {
  if (WriteSettingsReport(app_, path)) return true;
  app_.prompter().Show("ファイル " + path + " を書き込めませんでした。", MbIcon::Stop);
  return false;
}

bool CMaintenance::Backup(TextFileKind kind, const std::string& path) {
  if (ExportFile(app_.user().store, kind, path)) return true;
  app_.prompter().Show("ファイル " + path + " を書き込めませんでした。", MbIcon::Stop);
  return false;
}

int CMaintenance::Restore(TextFileKind kind, const std::string& path) {
  int n = ImportFile(app_.user().store, kind, path);
  if (n < 0) {
    app_.prompter().Show("ファイル " + path + " を読み込めませんでした。", MbIcon::Stop);
    return -1;
  }
  host_.RefreshViews();
  app_.SaveUserRecord();
  return n;
}

void CMaintenance::AnnounceCount(int count) {
  if (count <= 0) return;
  host_.RaiseMainWindow();
  app_.prompter().Show(ImportedCountText(count), MbIcon::Information);
}

void CMaintenance::AfterFiling(int count) {
  AnnounceCount(count);
  host_.RefreshViews();
  // The new records are in the index on disk at once, as after a receive.
  if (count > 0 && !app_.SaveUserRecord()) failed_ = true;
}

int CMaintenance::Rebuild(int32_t status) {
  failed_ = false;
  CUserInfo& u = app_.user();
  CListInfo& store = u.store;
  const std::string dir = u.mailDir;
  if (dir.empty() || !DirExists(dir)) {
    app_.prompter().Show(kDirChangeFailed, MbIcon::Stop);
    return -1;
  }
  const std::vector<std::string> rcv = ListMessageFiles(dir, IsRcvName);
  const std::vector<std::string> snd = ListMessageFiles(dir, IsSndName);
  if (rcv.empty() && snd.empty()) {
    app_.prompter().Show(kNothingImported, MbIcon::Information);
    return 0;
  }
  int count = 0;
  // Phase 1: received messages.
  host_.OpenProgress(kPhase1Text, static_cast<int>(rcv.size()));
  for (const std::string& path : rcv) {
    if (host_.StepProgress()) break;
    if (store.FindLiveMailByPath(path)) continue;  // already in a folder, wherever the user put it
    std::unique_ptr<CMailDetail> mail = CMailDetail::FromFile(path);
    CFolderDetail* folder = SortMail(store, *mail);
    if (!folder) folder = store.FolderOrCreate(kInboxFolder);
    if (folder->FindMailById(mail->messageId)) continue;
    mail->state = status;
    folder->AddMail(std::move(mail));
    ++count;
  }
  host_.CloseProgress();
  // Phase 2: mail written here. Nothing in a file tells whether it was
  // sent, and a mail whose send failed (a full disk, a crash) must not look
  // sent: what no folder holds goes back to "未送信フォルダ" (a template to
  // "テンプレート") to be looked at and sent again.
  host_.OpenProgress(kPhase2Text, static_cast<int>(snd.size()));
  for (const std::string& path : snd) {
    if (host_.StepProgress()) break;
    ComposedMail m;
    if (!LoadComposedMail(path, m)) continue;
    if (store.FindLiveMailByPath(path)) continue;
    auto mail = std::make_unique<CMailDetail>();
    mail->subject = m.subject;
    mail->filePath = path;
    mail->from = m.to;
    mail->date = m.date;
    mail->messageId = MakeMessageId(u.account + "." + u.smtpServer);
    mail->state = CMailDetail::kComposed;
    mail->inReplyTo = m.inReplyTo;
    mail->references = m.references;
    mail->bodyText = m.body;
    mail->templateFlag = m.templateFlag;
    mail->attachFlag = m.attachments.empty() ? 0 : CMailDetail::kAttachmentMark;
    CFolderDetail* folder = store.FolderOrCreate(m.templateFlag ? kTemplateFolder : kUnsentFolder);
    folder->AddMail(std::move(mail));
    ++count;
  }
  host_.CloseProgress();
  AfterFiling(count);
  return count;
}

int CMaintenance::ImportEml(const std::string& directory) {
  failed_ = false;
  CUserInfo& u = app_.user();
  CListInfo& store = u.store;
  if (!DirExists(directory) || u.mailDir.empty() || !DirExists(u.mailDir)) {
    app_.prompter().Show(kDirChangeFailed, MbIcon::Stop);
    return -1;
  }
  std::vector<std::string> files = ListMessageFiles(directory, IsEmlName);
  for (std::string& f : ListMessageFiles(directory, IsRcvName)) files.push_back(std::move(f));
  if (files.empty()) {
    app_.prompter().Show(kNothingImported, MbIcon::Information);
    return 0;
  }
  // Phase 1: copies in the mail directory, stored like fetched messages
  // (CR LF line ends, no mbox "From " line), each complete or not at all.
  std::vector<std::string> copies;
  bool writeFailed = false;
  host_.OpenProgress(kPhase1Text, static_cast<int>(files.size()));
  for (const std::string& file : files) {
    if (host_.StepProgress()) break;
    std::string bytes;
    if (!ReadWholeFile(file, bytes)) continue;  // unreadable: passed over
    const std::string name = MakeStoreFileName(u.mailDir, "RCV");
    const std::string copy = JoinPath(u.mailDir, name);
    if (name.empty() || !WriteFileAtomic(copy, ToStoredForm(bytes), 0600, false)) {
      if (!name.empty()) RemoveFile(copy);  // the name it had claimed
      writeFailed = true;
      failed_ = true;
      break;
    }
    copies.push_back(copy);
  }
  host_.CloseProgress();
  if (writeFailed)
    app_.prompter().Show("メールディレクトリ " + u.mailDir + " にメッセージを書き込めませんでした。", MbIcon::Stop);
  if (copies.empty()) {
    if (!writeFailed) app_.prompter().Show(kImportFailed, MbIcon::Stop);
    return -1;
  }
  SyncFileSystemOf(u.mailDir);
  // Phase 2: filing.
  int count = 0;
  host_.OpenProgress(kPhase2Text, static_cast<int>(copies.size()));
  for (size_t i = 0; i < copies.size(); ++i) {
    if (host_.StepProgress()) {
      // Cancelled: the copies not filed go, so nothing is left half done.
      for (size_t j = i; j < copies.size(); ++j) RemoveFile(copies[j]);
      break;
    }
    std::unique_ptr<CMailDetail> mail = CMailDetail::FromFile(copies[i]);
    CFolderDetail* folder = SortMail(store, *mail);
    if (!folder) folder = store.FolderOrCreate(kInboxFolder);
    if (folder->FindMailById(mail->messageId)) {
      // Imported before: this copy would only be litter.
      RemoveFile(copies[i]);
      continue;
    }
    mail->state = CMailDetail::kUnread;
    folder->AddMail(std::move(mail));
    ++count;
  }
  host_.CloseProgress();
  AfterFiling(count);
  return count;
}

}  // namespace fennel
