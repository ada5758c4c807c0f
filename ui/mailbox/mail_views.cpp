#include "ui/mailbox/mail_views.h"

#include <cstring>

namespace fennel {

ShownMail ShownOf(const CMailDetail& m) {
  ShownMail s;
  s.filePath = m.filePath;
  s.from = m.from;
  s.to = m.to;
  s.subject = m.subject;
  s.date = m.date;
  s.bodyText = m.bodyText;
  s.attachmentPaths = m.attachmentPaths;
  return s;
}

namespace {

bool StartsAt(const std::string& text, size_t at, const char* word) {
  const size_t n = std::strlen(word);
  if (at + n > text.size()) return false;
  for (size_t i = 0; i < n; ++i) {
    char c = text[at + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != word[i]) return false;
  }
  return true;
}

bool InLink(unsigned char c) {
  if (c <= ' ' || c >= 0x7F) return false;
  return !std::strchr("<>\"'()[]{}|\\^`", c);
}

}  // namespace

std::vector<std::pair<size_t, size_t>> FindLinks(const std::string& text) {
  static const char* const starts[] = {"http://", "https://", "ftp://", "mailto:", "www."};
  std::vector<std::pair<size_t, size_t>> links;
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {  // a two-byte character (or a lone high byte): never the start of a link
      i += (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC) ? 2 : 1;
      continue;
    }
    const bool wordStart = i == 0 || !InLink(static_cast<unsigned char>(text[i - 1]));
    const char* found = nullptr;
    if (wordStart)
      for (const char* s : starts)
        if (StartsAt(text, i, s)) {
          found = s;
          break;
        }
    if (!found) {
      ++i;
      continue;
    }
    size_t end = i + std::strlen(found);
    while (end < text.size() && InLink(static_cast<unsigned char>(text[end]))) ++end;
    while (end > i && std::strchr(".,;:!?", text[end - 1])) --end;
    if (end > i + std::strlen(found)) links.emplace_back(i, end);
    i = std::max(end, i + 1);
  }
  return links;
}

}  // namespace fennel
