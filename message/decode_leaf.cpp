#include "message/decode_leaf.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "message/base64.h"
#include "message/charset.h"
#include "message/header_words.h"
#include "platform/fs.h"
#include "platform/text.h"

namespace fennel {
namespace {

// "name"/"filename" of the Content-Type list, or their RFC 2231 forms
// ("name*", "name*0*", ...), decoded.
bool AttachmentName(const MimePart& p, JisConverter& jis, std::string& name) {
  for (const auto& [n, v] : p.contentType) {
    if (EqualsNoCaseCp932(n, "name") || EqualsNoCaseCp932(n, "filename")) {
      name = DecodeHeaderWords(v, jis);
      jis.Reset();
      return true;
    }
  }
  // RFC 2231: the pieces of one name, joined in order.
  for (const char* base : {"name", "filename"}) {
    std::string joined;
    bool found = false;
    for (const auto& [n, v] : p.contentType) {
      std::string_view nv(n);
      size_t star = nv.find('*');
      if (star == std::string_view::npos || !EqualsNoCaseCp932(nv.substr(0, star), base)) continue;
      found = true;
      joined += v;
    }
    if (found) {
      name = DecodeRfc2231Value(joined, jis);
      jis.Reset();
      return true;
    }
  }
  return false;
}

// A saved attachment, written through a buffer of 64 KB into a temporary
// file of the directory; it gets its name only once it is complete.
class OutputFile {
 public:
  ~OutputFile() {
    if (fd_ >= 0) close(fd_);
    if (!temp_.empty()) unlink(temp_.c_str());
  }
  bool Create(const std::string& dir) {
    std::string tmpl = ToFsPath(JoinPath(dir, ".attachment-XXXXXX"));
    fd_ = mkostemp(tmpl.data(), O_CLOEXEC);
    if (fd_ < 0) return false;
    temp_ = tmpl;
    return true;
  }
  void Write(const std::string& bytes) {
    buffer_ += bytes;
    if (buffer_.size() >= kBuffer) Flush();
  }
  // Closes the file; false when a write failed.
  bool Finish() {
    Flush();
    bool ok = ok_ && close(fd_) == 0;
    fd_ = -1;
    return ok;
  }
  // The temporary file (UTF-8 path); it is removed with the object unless
  // Keep() was called.
  const std::string& temp() const { return temp_; }
  void Keep() { temp_.clear(); }

 private:
  static constexpr size_t kBuffer = 65536;
  void Flush() {
    const char* p = buffer_.data();
    size_t left = buffer_.size();
    while (left > 0 && fd_ >= 0) {
      ssize_t n = ::write(fd_, p, left);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ok_ = false;
        break;
      }
      p += n;
      left -= static_cast<size_t>(n);
    }
    buffer_.clear();
  }
  int fd_ = -1;
  bool ok_ = true;
  std::string temp_;
  std::string buffer_;
};

// "name (k).ext" for the k-th file of one name (k = 1: the name itself).
std::string NumberedName(const std::string& name, int k) {
  if (k == 1) return name;
  size_t dot = name.rfind('.');
  if (dot == 0 || dot == std::string::npos) dot = name.size();
  return name.substr(0, dot) + " (" + std::to_string(k) + ")" + name.substr(dot);
}

// Decodes the part into dir under fileName. A file of that name that holds
// other bytes is never replaced (an earlier file of the user, another
// attachment of this mail): the part gets "name (2).ext", "name (3).ext", ...
// A file with the very same bytes (this mail shown before) is used as it is.
bool SaveAttachment(MimePart& part, bool base64, bool qp, const std::string& dir, const std::string& fileName,
                    std::string& outPath) {
  OutputFile out;
  if (!out.Create(dir)) return false;
  Base64Decoder b64;
  QpDecoder qpd;
  std::string line, decoded;
  for (bool more = part.FirstBodyLine(line); more; more = part.NextBodyLine(line)) {
    decoded.clear();
    if (base64)
      b64.DecodeAppend(line, decoded);
    else if (qp)
      qpd.DecodeLine(line, decoded);
    else
      decoded = line;
    out.Write(decoded);
  }
  if (qp) {
    decoded.clear();
    qpd.Flush(decoded);
    out.Write(decoded);
  }
  if (!out.Finish()) return false;
  const std::string temp = FromFsPath(out.temp());
  for (int k = 1; k <= 1000; ++k) {
    const std::string path = JoinPath(dir, NumberedName(fileName, k));
    if (RenameNoReplace(temp, path)) {
      out.Keep();
      outPath = path;
      return true;
    }
    if (errno != EEXIST) return false;
    if (SameFileBytes(temp, path)) {
      outPath = path;
      return true;  // the temporary copy goes with out
    }
  }
  return false;
}

}  // namespace

std::string SafeFileName(const std::string& name) {
  std::string s;
  for (size_t i = 0; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (IsCp932LeadByte(c) && i + 1 < name.size()) {
      // "\" (0x5C) may be the second byte of a two-byte character.
      s.push_back(name[i]);
      s.push_back(name[++i]);
      continue;
    }
    if (c == '/' || c == '\\') {
      s.clear();  // only the last path component counts
      continue;
    }
    if (c < 0x20 || c == 0x7F) continue;
    s.push_back(static_cast<char>(c));
  }
  size_t b = s.find_first_not_of(' ');
  s = b == std::string::npos ? std::string() : s.substr(b);
  while (!s.empty() && (s.back() == ' ' || s.back() == '.')) s.pop_back();
  if (s.empty() || s == "." || s == "..") s = "attachment";
  return s;
}

void DecodeLeaf(MimeTree& tree, std::string& text, std::string& attachments, LeafContext& ctx) {
  MimePart* p = tree.current();
  if (!p) return;
  if (!tree.opened()) {
    text += kCannotOpenPart;
    return;
  }
  int kind = 0;
  if (EqualsNoCaseCp932(p->type, "text")) {
    kind = 1;
  } else if (EqualsNoCaseCp932(p->type, "application")) {
    std::string dummy;
    kind = AttachmentName(*p, ctx.jis, dummy) ? 2 : 3;
  } else if (EqualsNoCaseCp932(p->type, "message")) {
    kind = 3;
  }
  if (kind == 0) return;

  const MimePart* message = p->EnclosingMessage();
  const bool base64 = EqualsNoCaseCp932(p->transferEncoding, "base64");
  const bool qp = EqualsNoCaseCp932(p->transferEncoding, "quoted-printable");

  if (kind == 2) {
    std::string name;
    AttachmentName(*p, ctx.jis, name);
    name = SafeFileName(name);
    std::string fileName;
    for (char c : name)
      if (c != '\t') fileName.push_back(c);
    std::string outPath;
    if (ctx.saveAttachments && !SaveAttachment(*p, base64, qp, ctx.saveDir, fileName, outPath)) {
      text += kCannotCreateAttachment;
      return;
    }
    // The name shown is the one the file got.
    if (ctx.saveAttachments) name = FileNameOfPath(outPath);
    if (message) text += "\t (See attachment file=" + name + ")\r\n";
    attachments += name + "\r\n";
    if (!ctx.saveAttachments) return;
    std::string id;
    for (char c : p->contentId)
      if (c != '<' && c != '>' && c != ' ') id.push_back(c);
    if (!id.empty()) ReplaceAll(text, "cid:" + id, outPath);
    return;
  }

  // Kinds 1 and 3: text to show.
  if (kind == 1 && message) text += p->MessageHeaderPart()->messageHeader;
  const std::string* cs = FindParam(p->contentType, "charset");
  const std::string charset = cs ? *cs : "ISO-2022-JP";
  TextDecoder textDecoder(charset, ctx.jis);
  if (!IsKnownCharset(charset) && textDecoder.kind() == CharsetKind::Unknown) text += kUnknownCharsetNotice;

  bool suppress = false;
  const std::string& sub = p->subtype;
  if (!(EqualsNoCaseCp932(sub, "plain") || EqualsNoCaseCp932(sub, "enriched") || EqualsNoCaseCp932(sub, "octet-stream") ||
        EqualsNoCaseCp932(sub, "rfc822-headers"))) {
    if (EqualsNoCaseCp932(sub, "html")) {
      text += kHtmlNotice;
      suppress = !ctx.includeHtml;
    } else {
      text += "メールの本文が正しく認識できない形式(" + std::string(kind == 1 ? "text" : "message") + "/" + sub +
              ")を含んでいます。正しく表示できないかもしれません。";
    }
  }

  const bool indent = kind == 1 && message;
  const bool jisKind = textDecoder.kind() != CharsetKind::Converted;
  auto emit = [&](const std::string& s) {
    if (suppress || s.empty()) return;
    if (!indent) {
      text += s;
      return;
    }
    // One tab before each line.
    size_t start = 0;
    while (start < s.size()) {
      size_t lf = s.find('\n', start);
      size_t stop = lf == std::string::npos ? s.size() : lf + 1;
      text += "\t";
      text.append(s, start, stop - start);
      start = stop;
    }
  };

  Base64Decoder b64;
  QpDecoder qpd;
  std::string line, bytes, decoded;
  for (bool more = p->FirstBodyLine(line); more; more = p->NextBodyLine(line)) {
    decoded.clear();
    if (base64) {
      bytes.clear();
      b64.DecodeAppend(line, bytes);
      textDecoder.Feed(bytes, decoded);
    } else if (qp) {
      bytes.clear();
      qpd.DecodeLine(line, bytes);
      if (!bytes.empty()) textDecoder.ConvertLine(bytes, decoded);
    } else if (jisKind) {
      decoded = DecodeHeaderWords(line, ctx.jis);
    } else {
      std::string converted;
      textDecoder.ConvertLine(line, converted);
      decoded = DecodeHeaderWords(converted, ctx.jis);
    }
    emit(decoded);
  }
  decoded.clear();
  if (qp) {
    bytes.clear();
    qpd.Flush(bytes);
    if (!bytes.empty()) textDecoder.ConvertLine(bytes, decoded);
  }
  textDecoder.Finish(decoded);
  emit(decoded);
}

}  // namespace fennel
