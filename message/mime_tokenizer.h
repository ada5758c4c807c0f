// Tokens of structured header fields (RFC 822 specials, RFC 2045 tspecials).
#pragma once

#include <string>
#include <string_view>

namespace fennel {

class MimeTokenizer {
 public:
  enum class Kind { Atom, Quoted, Comment, Space, Special, End };
  enum class Specials { Rfc822, Rfc2045 };

  struct Token {
    Kind kind;
    std::string text;  // an atom, the content of a quoted string, or the special
  };

  MimeTokenizer(std::string_view text, Specials specials) : s_(text), specials_(specials) {}
  Token Next();
  // The next token that is not white space or a comment.
  Token NextSignificant();
  // The raw text from here up to (not including) the next stop character
  // outside quotes, trimmed; the stop character is not consumed.
  std::string RawUntil(char stop);
  bool AtEnd() const { return pos_ >= s_.size(); }

 private:
  bool IsSpecial(char c) const;
  std::string_view s_;
  Specials specials_;
  size_t pos_ = 0;
};

}  // namespace fennel
