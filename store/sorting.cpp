#include "store/sorting.h"

#include "message/display.h"

namespace fennel {

std::vector<std::string> SplitKeywords(const std::string& sortText) {
  std::vector<std::string> out;
  if (sortText.empty()) return out;
  size_t start = 0;
  while (true) {
    size_t comma = sortText.find(',', start);
    out.push_back(sortText.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return out;
}

const std::string* MailTexts::Text(int32_t condition) {
  switch (condition) {
    case CFolderDetail::kByFrom:
      return &mail_.from;
    case CFolderDetail::kBySubject:
      return &mail_.subject;
    case CFolderDetail::kByTo:
      return &mail_.to;
    case CFolderDetail::kByBody:
      if (!mail_.IsReceived()) return &mail_.bodyText;
      if (!bodyDone_) {
        // Matching reads the text; it saves no attachments.
        DecodedMessage m = DecodeMessageFile(mail_.filePath, std::string(), true, false);
        if (m.parsed) body_ = std::move(m.text);
        bodyDone_ = true;
      }
      return &body_;
    default:
      return nullptr;
  }
}

bool MatchesRule(const std::vector<std::string>& keywords, int32_t condition, MailTexts& texts) {
  if (keywords.empty()) return false;
  const std::string* text = texts.Text(condition);
  if (!text) return false;
  for (const std::string& k : keywords)
    if (text->find(k) != std::string::npos) return true;
  return false;
}

CFolderDetail* SortMail(const CListInfo& store, const CMailDetail& mail) {
  MailTexts texts(mail);
  for (const auto& f : store.folders) {
    if (f->state == CFolderDetail::kBeingDeleted || f->sortText.empty() || f->name == kSearchFolder) continue;
    if (f->sortCondition < 0 || f->sortCondition > 3) return nullptr;
    if (MatchesRule(SplitKeywords(f->sortText), f->sortCondition, texts)) return f.get();
  }
  return nullptr;
}

int ApplyRule(CListInfo& store, CFolderDetail& folder) {
  // The inbox's own rule moves nothing, whichever inbox it is (restoring a
  // folder file may leave two of that name).
  if (folder.name == kInboxFolder) return 0;
  const std::vector<std::string> keywords = SplitKeywords(folder.sortText);
  int moved = 0;
  for (const auto& f : store.folders) {
    if (f->name != kInboxFolder) continue;
    // Copies are appended to the target while the inbox is walked by index.
    for (size_t i = 0; i < f->mails.size(); ++i) {
      CMailDetail& m = *f->mails[i];
      // A mail already moved out (state 2, waiting for the purge) is not
      // moved a second time: applying a rule twice must not copy it twice.
      if (m.state == CMailDetail::kDeleted) continue;
      MailTexts texts(m);
      if (!MatchesRule(keywords, folder.sortCondition, texts)) continue;
      folder.AddCopy(m);
      m.state = CMailDetail::kDeleted;
      ++moved;
    }
    break;
  }
  return moved;
}

int Search(CListInfo& store, CFolderDetail& searchFolder, SearchProgress* progress) {
  searchFolder.DeleteMails(kSelectSearchAll, nullptr);
  const std::vector<std::string> keywords = SplitKeywords(searchFolder.sortText);
  int examined = 0;
  for (const auto& f : store.folders) {
    if (progress && progress->Cancelled()) break;
    if (f.get() == &searchFolder || f->name == searchFolder.name) continue;
    for (const auto& m : f->mails) {
      ++examined;
      if (progress) progress->Step();
      MailTexts texts(*m);
      if (MatchesRule(keywords, searchFolder.sortCondition, texts)) searchFolder.AddCopy(*m);
    }
  }
  return examined;
}

}  // namespace fennel
