// Sorting rules: a folder's keywords (its sort text, split at every ",")
// looked for in one part of a mail (its sort condition). Also the search of
// the search folder, which matches the same way.
#pragma once

#include <string>
#include <vector>

#include "store/list_info.h"

namespace fennel {

// Every part of the text between commas is a keyword, empty ones included;
// an empty text has none.
std::vector<std::string> SplitKeywords(const std::string& sortText);

// The texts of one mail that rules look at. The body of a received message
// is decoded from its file the first time it is asked for, and only once.
class MailTexts {
 public:
  explicit MailTexts(const CMailDetail& mail) : mail_(mail) {}
  // Condition 0 From, 1 Subject, 2 To, 3 body; null for any other.
  const std::string* Text(int32_t condition);

 private:
  const CMailDetail& mail_;
  std::string body_;
  bool bodyDone_ = false;
};

// True when a keyword of the list occurs in the mail's text for condition.
bool MatchesRule(const std::vector<std::string>& keywords, int32_t condition, MailTexts& texts);

// The folder whose rule takes the mail, or null (the caller files it into
// its default folder).
CFolderDetail* SortMail(const CListInfo& store, const CMailDetail& mail);

// Moves the mails of "受信フォルダ" that folder's rule takes into it.
// Returns how many were moved.
int ApplyRule(CListInfo& store, CFolderDetail& folder);

// Progress of a search: stepped once per mail, asked once per folder.
class SearchProgress {
 public:
  virtual ~SearchProgress() = default;
  virtual void Step() = 0;
  virtual bool Cancelled() = 0;
};

// Fills the search folder with copies of the mails of every other folder
// that its criteria match. Returns the number of mails examined.
int Search(CListInfo& store, CFolderDetail& searchFolder, SearchProgress* progress = nullptr);

}  // namespace fennel
