// Long inputs made from short ones, so that work growing faster than the
// input shows up as a timeout. A linear decoder takes about a second for the
// longest of them under the sanitizers (a few hundredths without), so this
// target runs with a longer timeout than the others (see scripts/fuzz);
// work that grows with the square of the input takes far longer still.
//
// An input that begins with "H" is a header field or body line: after the
// "H", byte s splits the rest into a head and a tail (at s/256 of its
// length; s = 0 makes it all head). The head is repeated and the tail put
// after it, to the longest field the parser passes on (204,800 bytes), and
// the field is decoded.
//
// Any other input is a message file: its header block (up to the first
// empty line) is kept once, its body up to its last line that begins with
// "--" (the last part of a multipart, or its end) is repeated to 1 MiB, and
// the rest of the body put after it once; then the HTML page is made (every
// leaf decoded, HTML included, attachments saved).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "message_file.h"
#include "message/header_words.h"
#include "message/jis.h"

namespace {

constexpr size_t kLongestField = 204800;
constexpr size_t kMessageSize = size_t{1} << 20;

void LongField(std::string_view in) {
  if (in.empty()) return;
  const size_t s = static_cast<unsigned char>(in[0]);
  const std::string_view rest = in.substr(1);
  const size_t cut = s == 0 ? rest.size() : rest.size() * s / 256;
  const std::string_view head = rest.substr(0, cut), tail = rest.substr(cut);
  std::string text;
  if (!head.empty())
    while (text.size() + tail.size() < kLongestField) text += head;  // ends: head is not empty
  text += tail;
  if (text.size() > kLongestField) text.erase(0, text.size() - kLongestField);

  fennel::JisConverter jis;
  (void)fennel::DecodeHeaderWords(text, jis);
  (void)fennel::HasOpenBWord(text);
}

void LongMessage(std::string_view in) {
  const size_t blank = in.find("\r\n\r\n");
  const size_t bodyStart = blank == std::string_view::npos ? 0 : blank + 4;
  std::string message(in.substr(0, bodyStart));
  const std::string_view body = in.substr(bodyStart);
  const size_t last = body.rfind("\r\n--");
  const size_t cut = last == std::string_view::npos ? body.size() : last + 2;
  const std::string_view head = body.substr(0, cut), tail = body.substr(cut);
  if (!head.empty())
    while (message.size() < kMessageSize) message += head;  // ends: head is not empty
  message += tail;
  fuzz::MessageFile::Write(message);
  (void)fennel::HtmlPageOfFile(fuzz::MessageFile::Path(), fuzz::MessageFile::SaveDir());
  fuzz::MessageFile::EmptySaveDir();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::MessageFile::Init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  if (!in.empty() && in[0] == 'H')
    LongField(in.substr(1));
  else
    LongMessage(in);
  return 0;
}
