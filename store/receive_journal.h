// The journal of received message files that the index on disk does not
// name yet. A receive adds each stored message's file name (synced to disk
// before the server is asked to delete it); once the ID file is written the
// journal is cleared. At the next logon whatever it still lists, and no
// folder holds, is filed: a crash at any moment leaves every message either
// on the server or in a folder. (A scan of the mail directory would not do:
// it also holds the files of mail the user deleted.)
#pragma once

#include <string>
#include <vector>

#include "platform/prompter.h"
#include "store/list_info.h"

namespace fennel {

class ReceiveJournal {
 public:
  // An empty path is a journal that keeps nothing (no logon).
  explicit ReceiveJournal(std::string path) : path_(std::move(path)) {}

  // Adds a file name; with sync it is on disk when this returns. False when
  // it could not be written (a full disk): the message must then stay on
  // the server.
  bool Add(const std::string& name, bool sync);
  // The names, in the order added.
  std::vector<std::string> Names() const;
  // Removes the journal; false when it stays.
  bool Clear();
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool dirSynced_ = false;
};

// Files one received message file as a receive files it: into the folder
// its sorting rule picks, else "受信フォルダ" (created when missing). Null
// when the file is missing or shorter than 10 bytes (it stays where it is),
// or when that folder already holds the Message-ID (the copy is deleted,
// unless it is the very file held; a failed delete is told through
// prompter).
CMailDetail* FileReceivedMessage(CListInfo& store, const std::string& path, Prompter* prompter);

}  // namespace fennel
