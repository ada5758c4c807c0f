// The user's store: seven lists, kept inside the settings record and
// written after its settings. Besides the lists it keeps an index of the
// mails by Message-ID and by path, in step with the folders' mail lists and
// never written.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "store/address_detail.h"
#include "store/archive.h"
#include "store/common_detail.h"
#include "store/folder_detail.h"

namespace fennel {

class Prompter;

class CListInfo {
 public:
  CListInfo() = default;
  CListInfo(const CListInfo&) = delete;
  CListInfo& operator=(const CListInfo&) = delete;

  // Written in place (no object tag): the seven lists one after another.
  void Serialize(CArchive& ar);
  void Clear();

  // ---- Folders
  CFolderDetail* AddFolder(const std::string& name, int32_t sortCondition = 0, int32_t threadView = 0,
                           const std::string& sortText = "", const std::string& parent = "");
  // The first folder of that name not being deleted, or null.
  CFolderDetail* FindFolder(const std::string& name) const;
  // The folder, created (with empty rule and parent) when missing.
  CFolderDetail* FolderOrCreate(const std::string& name);
  // Every folder of that name: its files deleted ("ALL"), then removed.
  void DeleteFolder(const std::string& name, Prompter* prompter);
  // The folder pane's delete: records go, message files stay.
  void DeleteFolderKeepingFiles(const std::string& name, Prompter* prompter);
  void TopLevelFolders(std::vector<std::string>& out) const;
  int CountChildren(const std::string& name) const;
  int ChildrenUnread(const std::string& name) const;

  // ---- Mails across folders
  // The first mail (folder order, then list order) with that Message-ID
  // whose state and folder's state are not 2.
  CMailDetail* FindMailById(const std::string& messageId) const;
  bool HasMessageId(const std::string& messageId) const { return FindMailById(messageId) != nullptr; }
  // A record of that message file whose state is not 2, in folder or, with
  // no folder, in any folder.
  CMailDetail* FindLiveMailByPath(const std::string& path, const CFolderDetail* folder = nullptr) const;
  // A stored record's file or Message-ID changes through these, so the
  // lookups by either find it under its new key.
  void SetFilePath(CMailDetail* mail, const std::string& path);
  void SetMessageId(CMailDetail* mail, const std::string& id);
  // Every Message-ID of the mails not in state 2 (for the POP3 session).
  void CollectMessageIds(std::vector<std::string>& out) const;
  // Mails replying to id, outside "未送信フォルダ" and "テンプレート".
  std::vector<CMailDetail*> CollectReplies(const std::string& id) const;
  // The mail directory moved: old becomes new in every path.
  void ReplaceInPaths(const std::string& oldText, const std::string& newText);
  // Moves one record to another folder: a copy is appended there and the
  // original is marked deleted (dropped by the next purge).
  CMailDetail* MoveMail(CMailDetail* mail, CFolderDetail* to);
  CFolderDetail* FolderOf(const CMailDetail* mail) const { return mail->folder_; }

  // ---- Address book
  CAddressDetail* AddAddress(const std::string& nickname, const std::string& mailAddress, const std::string& fullName,
                             const std::string& memo, int32_t kind, const std::string& category);
  CAddressDetail* FindByNickname(const std::string& nickname) const;
  CAddressDetail* FindByAddress(const std::string& mailAddress) const;
  int CountInCategory(const std::string& name) const;
  void AddressFolders(std::vector<std::string>& out) const;
  std::string Members(const std::string& name) const;

  // ---- Sub-accounts and phrases
  CCommonDetail* AddSubAccount(const std::string& server, const std::string& account, const std::string& password,
                               int32_t port, int32_t deleteFromServer, int32_t disabled);
  CCommonDetail* AddPhrase(const std::string& title, const std::string& body, const std::string& category,
                           int32_t categoryFlag);
  CCommonDetail* FindPhrase(const std::string& title) const;
  int CountPhrasesInCategory(const std::string& name) const;
  void PhraseCategories(std::vector<std::string>& out) const;

  // The lists. Folders' mails change only through the folder operations.
  std::vector<std::unique_ptr<CAddressDetail>> addresses;
  std::vector<std::unique_ptr<CFolderDetail>> folders;
  std::vector<std::unique_ptr<CCommonDetail>> subAccounts;
  std::vector<std::unique_ptr<CCommonDetail>> phrases;
  std::vector<std::unique_ptr<CObject>> spare[3];  // always empty when written here

 private:
  friend class CFolderDetail;
  void Attach(CFolderDetail* folder);
  void IndexAdd(CMailDetail* mail);
  void IndexRemove(const CMailDetail* mail);
  void BuildIndex() const;
  CMailDetail* FindMailByPathIn(const CFolderDetail* folder, const std::string& path) const;
  CMailDetail* FindMailByIdIn(const CFolderDetail* folder, const std::string& id) const;
  // True when a comes before b in folder order, then list order.
  bool Before(const CMailDetail* a, const CMailDetail* b) const;

  // By the hash of the key; the records' own fields are compared on lookup,
  // so no key is copied.
  using Index = std::unordered_multimap<size_t, CMailDetail*>;
  mutable Index byId_;
  mutable Index byPath_;
  mutable bool indexed_ = false;
};

}  // namespace fennel
