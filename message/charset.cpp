#include "message/charset.h"

#include "platform/text.h"

namespace fennel {
namespace {

std::string Lower(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

}  // namespace

bool IsKnownCharset(std::string_view name) {
  const std::string n = Lower(name);
  for (const char* k : {"us-ascii", "us_ascii", "iso-8859-1", "iso_8859_1", "iso-2022-jp", "iso_2022_jp", "shift_jis",
                        "shift-jis", "windows-1252", "windows_1252", "utf-8", "utf_8", "default", "cp943c"})
    if (n == k) return true;
  return false;
}

CharsetKind ClassifyCharset(std::string_view name) {
  const std::string n = Lower(name);
  for (const char* k : {"", "iso-2022-jp", "iso_2022_jp", "csiso2022jp", "us-ascii", "us_ascii", "ascii", "default",
                        "shift_jis", "shift-jis", "sjis", "x-sjis", "cp943c", "cp932", "ms932", "windows-31j"})
    if (n == k) return CharsetKind::Jis;
  if (ToCp932("", std::string(name))) return CharsetKind::Converted;
  return CharsetKind::Unknown;
}

TextDecoder::TextDecoder(std::string charset, JisConverter& jis)
    : charset_(std::move(charset)), kind_(ClassifyCharset(charset_)), jis_(jis) {}

void TextDecoder::ConvertLine(std::string_view line, std::string& out) {
  switch (kind_) {
    case CharsetKind::Jis:
      jis_.Convert(line, out, false);
      return;
    case CharsetKind::Converted:
      out += ToCp932(line, charset_).value_or(std::string(line));
      return;
    case CharsetKind::Unknown:
      out.append(line);
      return;
  }
}

void TextDecoder::Feed(std::string_view bytes, std::string& out) {
  // Only the new bytes can hold a new line end: a long text without one is
  // never searched again from its start.
  size_t lf = bytes.rfind('\n');
  if (lf == std::string_view::npos) {
    pending_.append(bytes);
    return;
  }
  pending_.append(bytes.substr(0, lf + 1));
  ConvertLine(pending_, out);
  pending_.assign(bytes.substr(lf + 1));
}

void TextDecoder::Finish(std::string& out) {
  if (!pending_.empty()) ConvertLine(pending_, out);
  pending_.clear();
}

}  // namespace fennel
