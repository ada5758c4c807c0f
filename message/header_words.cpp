#include "message/header_words.h"

#include <vector>

#include "message/base64.h"
#include "message/charset.h"
#include "message/quoted_printable.h"
#include "platform/text.h"

namespace fennel {
namespace {

constexpr size_t kMaxResult = 204800;
constexpr size_t kMaxWord = 20480;

struct Word {
  size_t begin;  // "=?"
  size_t end;    // after "?="
  std::string_view charset;
  char encoding;  // 'B' or 'Q'
  std::string_view payload;
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The encoded word that starts at pos ("=?"), if it is one.
bool ParseWord(std::string_view s, size_t pos, Word& w) {
  size_t q1 = s.find('?', pos + 2);
  if (q1 == std::string_view::npos || q1 == pos + 2) return false;
  std::string_view cs = s.substr(pos + 2, q1 - pos - 2);
  for (char c : cs)
    if (IsSpace(c) || c == '=' || c == '"') return false;
  if (q1 + 2 >= s.size() || s[q1 + 2] != '?') return false;
  char enc = s[q1 + 1];
  if (enc == 'b') enc = 'B';
  if (enc == 'q') enc = 'Q';
  if (enc != 'B' && enc != 'Q') return false;
  size_t textStart = q1 + 3;
  // The text ends at the first "?="; a space or "?" before that spoils the
  // word. So the first space or "?" decides, and nothing beyond it is read:
  // a long field full of would-be words is read once, not once per word.
  size_t close = textStart;
  while (close < s.size() && !IsSpace(s[close]) && s[close] != '?') ++close;
  if (close + 1 >= s.size() || s[close] != '?' || s[close + 1] != '=') return false;
  std::string_view payload = s.substr(textStart, close - textStart);
  // RFC 2231 adds a language after "*".
  size_t star = cs.find('*');
  w = Word{pos, close + 2, star == std::string_view::npos ? cs : cs.substr(0, star), enc, payload};
  return true;
}

// The word's text in Shift-JIS; false when its charset is unknown.
bool DecodeWord(const Word& w, JisConverter& jis, std::string& out) {
  std::string bytes;
  if (w.encoding == 'B') {
    Base64Decoder d;
    d.DecodeAppend(w.payload, bytes);
  } else {
    DecodeQpBytes(w.payload, bytes, true);
  }
  if (bytes.size() > kMaxWord) bytes.resize(kMaxWord);
  switch (ClassifyCharset(w.charset)) {
    case CharsetKind::Jis:
      jis.Convert(bytes, out, false);
      return true;
    case CharsetKind::Converted:
      out += ToCp932(bytes, std::string(w.charset)).value_or(bytes);
      return true;
    case CharsetKind::Unknown:
      return false;
  }
  return false;
}

bool OnlySpace(std::string_view s) {
  for (char c : s)
    if (!IsSpace(c)) return false;
  return !s.empty();
}

}  // namespace

std::string DecodeHeaderWords(std::string_view text, JisConverter& jis) {
  std::string out;
  size_t pos = 0;
  bool afterWord = false;
  bool anyWord = false;
  while (pos < text.size() && out.size() < kMaxResult) {
    size_t at = text.find("=?", pos);
    Word w;
    while (at != std::string_view::npos && !ParseWord(text, at, w)) at = text.find("=?", at + 2);
    std::string_view plain = text.substr(pos, at == std::string_view::npos ? std::string_view::npos : at - pos);
    if (at == std::string_view::npos) {
      jis.Convert(plain, out, false);
      break;
    }
    if (!(afterWord && OnlySpace(plain))) jis.Convert(plain, out, false);
    std::string decoded;
    if (DecodeWord(w, jis, decoded)) {
      out += decoded;
      afterWord = true;
      anyWord = true;
    } else {
      jis.Convert(text.substr(w.begin, w.end - w.begin), out, false);
      afterWord = false;
    }
    pos = w.end;
  }
  // A field that held words (or their remains) ends in ASCII.
  if (anyWord || text.find("?=") != std::string_view::npos) jis.Convert("", out, true);
  if (out.size() > kMaxResult) out.resize(kMaxResult);
  return out;
}

std::string EncodeHeaderWords(std::string_view text) {
  // The text as Japanese runs and plain runs, by its Shift-JIS bytes.
  struct Piece {
    bool japanese;
    std::string bytes;
  };
  std::vector<Piece> pieces;
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    bool lead = IsCp932LeadByte(c) && i + 1 < text.size();
    bool japanese = lead || (c >= 0xA1 && c <= 0xDF);
    size_t len = lead ? 2 : 1;
    if (pieces.empty() || pieces.back().japanese != japanese) pieces.push_back({japanese, {}});
    pieces.back().bytes.append(text.substr(i, len));
    i += len;
  }
  // An encoded word stands between blanks: plain text that touches a
  // Japanese run without a blank between them goes into the word, or
  // readers would put a blank into "写真.bin" or fail to see the word.
  auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
  for (size_t p = 0; p < pieces.size(); ++p) {
    if (pieces[p].japanese) continue;
    std::string& plain = pieces[p].bytes;
    if (p > 0 && pieces[p - 1].japanese) {
      size_t k = 0;
      while (k < plain.size() && !isBlank(plain[k])) ++k;
      pieces[p - 1].bytes += plain.substr(0, k);
      plain.erase(0, k);
    }
    if (p + 1 < pieces.size() && pieces[p + 1].japanese) {
      size_t k = plain.size();
      while (k > 0 && !isBlank(plain[k - 1])) --k;
      pieces[p + 1].bytes.insert(0, plain.substr(k));
      plain.erase(k);
    }
  }
  std::vector<Piece> joined;
  for (Piece& piece : pieces) {
    if (piece.bytes.empty()) continue;
    if (!joined.empty() && joined.back().japanese && piece.japanese)
      joined.back().bytes += piece.bytes;
    else
      joined.push_back(std::move(piece));
  }
  pieces = std::move(joined);

  std::string out;
  long n = 0;  // plain bytes since the start or the last word
  for (size_t p = 0; p < pieces.size(); ++p) {
    if (!pieces[p].japanese) {
      std::string plain = SjisToJis(pieces[p].bytes);
      out += plain;
      n += static_cast<long>(plain.size());
      continue;
    }
    // White space between two runs goes inside the word: readers drop white
    // space that stands between encoded words.
    std::string run = pieces[p].bytes;
    while (p + 2 < pieces.size() && pieces[p + 2].japanese &&
           pieces[p + 1].bytes.find_first_not_of(" \t") == std::string::npos) {
      run += pieces[p + 1].bytes + pieces[p + 2].bytes;
      p += 2;
    }
    // Words of at most t bytes of JIS text each (no limit when t < 0).
    size_t i = 0;
    while (i < run.size()) {
      long room = 3525 - 3 * n;
      long t = room < 0 ? -1 : std::max<long>(2, (room / 4) - (room / 4) % 2);
      size_t start = i;
      long used = 0;
      while (i < run.size()) {
        unsigned char c = static_cast<unsigned char>(run[i]);
        size_t len = IsCp932LeadByte(c) && i + 1 < run.size() ? 2 : 1;
        long cost = (len == 2 || c >= 0xA1) ? 2 : 1;
        if (t >= 0 && used + cost > t && i > start) break;
        used += cost;
        i += len;
      }
      out += "=?ISO-2022-JP?B?" + Base64Encode(SjisToJis(std::string_view(run).substr(start, i - start))) + "?= ";
      n = 1;
    }
  }
  return out;
}

std::string DecodeRfc2231Value(std::string_view value, JisConverter& jis) {
  size_t q1 = value.find('\'');
  size_t q2 = q1 == std::string_view::npos ? q1 : value.find('\'', q1 + 1);
  std::string charset;
  std::string_view encoded = value;
  if (q2 != std::string_view::npos) {
    charset = std::string(value.substr(0, q1));
    encoded = value.substr(q2 + 1);
  }
  std::string bytes;
  for (size_t i = 0; i < encoded.size(); ++i) {
    auto hex = [](char c) -> int {
      if (c >= '0' && c <= '9') return c - '0';
      if (c >= 'A' && c <= 'F') return c - 'A' + 10;
      if (c >= 'a' && c <= 'f') return c - 'a' + 10;
      return -1;
    };
    if (encoded[i] == '%' && i + 2 < encoded.size() + 0 && hex(encoded[i + 1]) >= 0 && hex(encoded[i + 2]) >= 0) {
      bytes.push_back(static_cast<char>(hex(encoded[i + 1]) * 16 + hex(encoded[i + 2])));
      i += 2;
    } else {
      bytes.push_back(encoded[i]);
    }
  }
  std::string out;
  switch (ClassifyCharset(charset)) {
    case CharsetKind::Jis:
      jis.Convert(bytes, out, true);
      break;
    case CharsetKind::Converted:
      out = ToCp932(bytes, charset).value_or(bytes);
      break;
    case CharsetKind::Unknown:
      out = bytes;
      break;
  }
  return out;
}

bool FindOpenBWord(std::string_view line, size_t from, size_t& start, size_t& textStart) {
  // A word is open when no "?=" stands at or after its text: the last "?="
  // of the line tells that for every word at once.
  const size_t lastClose = line.rfind("?=");
  size_t at = line.find("=?", from);
  while (at != std::string_view::npos) {
    size_t q1 = line.find('?', at + 2);
    if (q1 == std::string_view::npos || q1 + 2 >= line.size()) return false;
    if ((line[q1 + 1] == 'B' || line[q1 + 1] == 'b') && line[q1 + 2] == '?' &&
        (lastClose == std::string_view::npos || lastClose < q1 + 3)) {
      start = at;
      textStart = q1 + 3;
      return true;
    }
    at = line.find("=?", at + 2);
  }
  return false;
}

bool HasOpenBWord(std::string_view line) {
  size_t start, textStart;
  return FindOpenBWord(line, 0, start, textStart);
}

}  // namespace fennel
