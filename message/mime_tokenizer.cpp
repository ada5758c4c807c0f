#include "message/mime_tokenizer.h"

namespace fennel {

bool MimeTokenizer::IsSpecial(char c) const {
  const char* set = specials_ == Specials::Rfc822 ? "()<>@,;:\\\".[]" : "()<>@,;:\\\"/[]?=";
  for (const char* p = set; *p; ++p)
    if (*p == c) return true;
  return false;
}

MimeTokenizer::Token MimeTokenizer::Next() {
  if (pos_ >= s_.size()) return {Kind::End, {}};
  char c = s_[pos_];
  if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\r' || s_[pos_] == '\n')) ++pos_;
    return {Kind::Space, " "};
  }
  if (c == '"') {
    std::string text;
    ++pos_;
    while (pos_ < s_.size() && s_[pos_] != '"') {
      if (s_[pos_] == '\\' && pos_ + 1 < s_.size()) ++pos_;
      text.push_back(s_[pos_++]);
    }
    if (pos_ < s_.size()) ++pos_;  // the closing quote
    return {Kind::Quoted, text};
  }
  if (c == '(') {
    int depth = 0;
    std::string text;
    while (pos_ < s_.size()) {
      char d = s_[pos_++];
      if (d == '\\' && pos_ < s_.size()) {
        text.push_back(s_[pos_++]);
        continue;
      }
      if (d == '(' && depth++ == 0) continue;
      if (d == ')' && --depth == 0) break;
      text.push_back(d);
    }
    return {Kind::Comment, text};
  }
  if (IsSpecial(c)) {
    ++pos_;
    return {Kind::Special, std::string(1, c)};
  }
  size_t start = pos_;
  while (pos_ < s_.size()) {
    char d = s_[pos_];
    if (d == ' ' || d == '\t' || d == '\r' || d == '\n' || d == '"' || d == '(' || IsSpecial(d)) break;
    ++pos_;
  }
  return {Kind::Atom, std::string(s_.substr(start, pos_ - start))};
}

MimeTokenizer::Token MimeTokenizer::NextSignificant() {
  while (true) {
    Token t = Next();
    if (t.kind != Kind::Space && t.kind != Kind::Comment) return t;
  }
}

std::string MimeTokenizer::RawUntil(char stop) {
  while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t')) ++pos_;
  size_t start = pos_;
  while (pos_ < s_.size() && s_[pos_] != stop) ++pos_;
  size_t end = pos_;
  while (end > start && (s_[end - 1] == ' ' || s_[end - 1] == '\t')) --end;
  return std::string(s_.substr(start, end - start));
}

}  // namespace fennel
