// The mailbox document: the one store that the mailbox window's panes show,
// and the way they tell each other what changed. A pane announces; every
// other pane that listens hears it at once (nothing polls):
//   FullRefresh      every pane rebuilds from the store (after a receive,
//                    a send, a drop, a delete);
//   FolderSelected   the folder pane selected a folder (by name: the pane's
//                    rows come and go, names stay);
//   MailSelected     the mail list selected a mail, or none.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "store/list_info.h"

namespace fennel {

// A mail of the store as the panes hold it: its folder's name and its place
// there (CMailDetail::seq). It survives moves, deletes and refills; Resolve
// gives the record, or null when the record is gone.
struct MailHandle {
  std::string folder;
  uint64_t seq = 0;

  static MailHandle Of(const CMailDetail& mail, const CListInfo& store) {
    const CFolderDetail* f = store.FolderOf(&mail);
    return MailHandle{f ? f->name : std::string(), mail.seq()};
  }
  CMailDetail* Resolve(const CListInfo& store) const {
    const CFolderDetail* f = store.FindFolder(folder);
    return f ? f->FindBySeq(seq) : nullptr;
  }
  bool operator==(const MailHandle&) const = default;
};

class MailboxListener {
 public:
  virtual ~MailboxListener() = default;
  virtual void OnFullRefresh() {}
  virtual void OnFolderSelected(const std::string& name) {}
  // mail is null when no mail is selected.
  virtual void OnMailSelected(const MailHandle* mail) {}
};

// Which body pane shows the mail.
enum class BodyPane { Text, Html };

class CMailBoxDoc {
 public:
  explicit CMailBoxDoc(CListInfo& store) : store_(store) {}
  CListInfo& store() const { return store_; }

  void AddListener(MailboxListener* l) { listeners_.push_back(l); }
  void RemoveListener(MailboxListener* l) { std::erase(listeners_, l); }

  // Each tells every listener but the sender.
  void FullRefresh(const MailboxListener* sender = nullptr) {
    for (MailboxListener* l : Snapshot())
      if (l != sender) l->OnFullRefresh();
  }
  void SelectFolder(const std::string& name, const MailboxListener* sender) {
    for (MailboxListener* l : Snapshot())
      if (l != sender) l->OnFolderSelected(name);
  }
  void SelectMail(const MailHandle* mail, const MailboxListener* sender) {
    for (MailboxListener* l : Snapshot())
      if (l != sender) l->OnMailSelected(mail);
  }

  // The body-pane switch: the window layer swaps the pane when it changes.
  BodyPane bodyPane = BodyPane::Text;

 private:
  // A listener may add or remove listeners while it hears.
  std::vector<MailboxListener*> Snapshot() const { return listeners_; }

  CListInfo& store_;
  std::vector<MailboxListener*> listeners_;
};

}  // namespace fennel
