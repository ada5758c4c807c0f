// Shift-JIS <-> ISO-2022-JP. Outgoing text is converted whole; incoming
// text streams through a converter whose mode survives from one line to
// the next, so a message's lines must go through one converter in order.
#pragma once

#include <string>
#include <string_view>

namespace fennel {

// Shift-JIS (CP932) text to ISO-2022-JP: two-byte characters and half-width
// katakana (made full-width, with voiced marks joined) in ESC $ B runs.
std::string SjisToJis(std::string_view text);

class JisConverter {
 public:
  // Converts in, appending Shift-JIS to out. With last set the mode goes
  // back to ASCII afterwards; otherwise kanji mode carries into the next call.
  void Convert(std::string_view in, std::string& out, bool last);
  std::string Convert(std::string_view in, bool last) {
    std::string out;
    Convert(in, out, last);
    return out;
  }
  // Back to ASCII, nothing held: before a new header field or file name.
  void Reset() {
    kanji_ = false;
    kana_ = false;
    held_ = -1;
  }
  bool inKanjiMode() const { return kanji_; }

 private:
  bool kanji_ = false;
  bool kana_ = false;  // ESC ( I: JIS X 0201 katakana in the one-byte mode
  int held_ = -1;      // a kanji-mode byte met just before CR
};

}  // namespace fennel
