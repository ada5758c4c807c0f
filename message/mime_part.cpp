#include "message/mime_part.h"

#include <algorithm>

#include "message/header_words.h"
#include "message/mime_tokenizer.h"
#include "platform/text.h"

namespace fennel {
namespace {

constexpr size_t kMaxLine = 204800;
constexpr size_t kMaxMessageHeader = 16384;

std::string TrimRight(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
  return s;
}

// ";" name "=" value, repeated. Values are tokens or quoted strings; an
// unquoted value that holds special characters (an encoded word, say) is
// taken up to the next ";" rather than rejected.
bool ReadParams(MimeTokenizer& t, ParamList& out) {
  while (true) {
    MimeTokenizer::Token semi = t.NextSignificant();
    if (semi.kind == MimeTokenizer::Kind::End) return true;
    if (semi.kind != MimeTokenizer::Kind::Special || semi.text != ";") return false;
    MimeTokenizer::Token name = t.NextSignificant();
    if (name.kind == MimeTokenizer::Kind::End) return true;  // a trailing ";"
    if (name.kind != MimeTokenizer::Kind::Atom) return false;
    MimeTokenizer::Token eq = t.NextSignificant();
    if (eq.kind != MimeTokenizer::Kind::Special || eq.text != "=") return false;
    std::string raw = t.RawUntil(';');
    std::string value;
    if (!raw.empty() && raw.front() == '"') {
      MimeTokenizer q(raw, MimeTokenizer::Specials::Rfc2045);
      value = q.Next().text;
    } else {
      value = raw;
    }
    out.emplace_back(name.text, value);
  }
}

}  // namespace

const std::string* FindParam(const ParamList& list, std::string_view name) {
  for (const auto& [n, v] : list)
    if (EqualsNoCaseCp932(n, name)) return &v;
  return nullptr;
}

bool MimePart::IsMultipart() const { return EqualsNoCaseCp932(type, "multipart"); }
bool MimePart::IsMessage() const { return EqualsNoCaseCp932(type, "message"); }

const MimePart* MimePart::EnclosingMessage() const {
  if (!parent) return nullptr;
  if (!parent->IsMultipart()) return parent->IsMessage() ? parent : nullptr;
  const MimePart* grand = parent->parent;
  return grand && grand->IsMessage() ? grand : nullptr;
}

const MimePart* MimePart::MessageHeaderPart() const {
  if (!parent) return nullptr;
  if (!parent->IsMultipart()) return parent->IsMessage() ? this : nullptr;
  return parent->parent && parent->parent->IsMessage() ? parent : nullptr;
}

bool MimePart::ReadLine(std::string& line) {
  line.clear();
  if (!file_ || cur_ >= end) return false;
  int64_t crlf = file_->FindCrLf(cur_, end);
  int64_t stop = crlf < 0 ? end : crlf + 2;
  if (stop - cur_ > static_cast<int64_t>(kMaxLine - 1)) stop = cur_ + static_cast<int64_t>(kMaxLine - 1);
  file_->Append(cur_, stop, line);
  cur_ = stop;
  return true;
}

bool MimePart::FirstBodyLine(std::string& line) {
  cur_ = bodyStart;
  return NextBodyLine(line);
}

bool MimePart::NextBodyLine(std::string& line) {
  if (!ReadLine(line)) return false;
  // An encoded word broken over two lines is read as one line. Once the
  // open word is known, only what each joined line adds is searched for its
  // "?="; the line is searched again (from that word on) only when the word
  // closes, so a word left open over many lines costs no more than reading
  // them.
  std::string more;
  size_t from = 0;                  // the open word is at or after this
  size_t open = std::string::npos;  // its "=?", while it stays open
  size_t textStart = 0;             // where its text begins
  while (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0 && line.size() < kMaxLine - 1 &&
         cur_ < end) {
    if (open == std::string::npos && !FindOpenBWord(line, from, open, textStart)) break;
    line.resize(line.size() - 2);
    const size_t joint = line.size();
    if (!ReadLine(more)) break;
    line += more;
    // A "?=" may also straddle the joint.
    if (line.find("?=", std::max(textStart, joint > 0 ? joint - 1 : 0)) != std::string::npos) {
      from = open + 2;
      open = std::string::npos;
    }
  }
  return true;
}

std::unique_ptr<MimePart> MimeTree::NewPart(MimePart* parent, int64_t start, int64_t end) {
  auto p = std::make_unique<MimePart>();
  p->parent = parent;
  p->start = start;
  p->end = end;
  p->bodyStart = end;
  p->depth = parent ? parent->depth + 1 : 0;
  p->file_ = &file_;
  return p;
}

bool MimeTree::Parse(const std::string& path) {
  path_ = path;
  current_ = nullptr;
  if (!file_.Open(path)) {
    root_ = NewPart(nullptr, 0, 0);
    return false;
  }
  root_ = NewPart(nullptr, 0, file_.size());
  return ParsePart(*root_);
}

void MimeTree::ReadHeader(MimePart& part) {
  int64_t pos = part.start;
  bool sawType = false, sawEncoding = false, sawDisposition = false;
  while (pos < part.end) {
    // One field: up to its CR LF, with the folded lines after it.
    int64_t crlf = file_.FindCrLf(pos, part.end);
    int64_t lineEnd = crlf < 0 ? part.end : crlf;
    int64_t next = crlf < 0 ? part.end : crlf + 2;
    if (lineEnd == pos) {  // the empty line
      pos = next;
      break;
    }
    while (next < part.end && (file_.At(next) == ' ' || file_.At(next) == '\t')) {
      crlf = file_.FindCrLf(next, part.end);
      lineEnd = crlf < 0 ? part.end : crlf;
      next = crlf < 0 ? part.end : crlf + 2;
    }
    std::string raw;
    file_.Append(pos, std::min(lineEnd, pos + static_cast<int64_t>(kMaxHeaderField)), raw);
    pos = next;
    std::string field;
    field.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') {
        field.push_back(' ');
        ++i;
      } else {
        field.push_back(raw[i]);
      }
    }
    field = TrimRight(field);
    if (field.empty()) break;

    size_t colon = field.find(':');
    if (colon == std::string::npos) continue;
    const std::string name = TrimRight(field.substr(0, colon));
    const std::string value = field.substr(colon + 1);
    auto is = [&](const char* n) { return EqualsNoCaseCp932(name, n); };

    if (is("Date") || is("From") || is("To") || is("Cc") || is("Bcc") || is("Subject")) {
      std::string decoded = DecodeHeaderWords(field, jis_);
      jis_.Reset();
      // The block is shown before every text part of the message: bounded,
      // so a hostile message cannot multiply a huge header many times.
      if (part.messageHeader.size() + decoded.size() < kMaxMessageHeader)
        part.messageHeader += "\t" + decoded + "\r\n";
    } else if (is("Content-Type")) {
      sawType = true;
      MimeTokenizer t(value, MimeTokenizer::Specials::Rfc2045);
      MimeTokenizer::Token type = t.NextSignificant();
      MimeTokenizer::Token slash = t.NextSignificant();
      MimeTokenizer::Token sub = t.NextSignificant();
      if (type.kind == MimeTokenizer::Kind::Atom && slash.kind == MimeTokenizer::Kind::Special && slash.text == "/" &&
          sub.kind == MimeTokenizer::Kind::Atom) {
        part.type = type.text;
        part.subtype = sub.text;
        if (!ReadParams(t, part.contentType)) {
          part.type = "text";
          part.subtype = "plain";
        }
      } else {
        part.type = "text";
        part.subtype = "plain";
      }
    } else if (is("Content-Transfer-Encoding")) {
      MimeTokenizer t(value, MimeTokenizer::Specials::Rfc2045);
      MimeTokenizer::Token tok = t.NextSignificant();
      if (tok.kind == MimeTokenizer::Kind::Atom) {
        part.transferEncoding = tok.text;
        sawEncoding = true;
      }
    } else if (is("Content-Disposition")) {
      MimeTokenizer t(value, MimeTokenizer::Specials::Rfc2045);
      MimeTokenizer::Token tok = t.NextSignificant();
      if (tok.kind == MimeTokenizer::Kind::Atom) {
        part.disposition = tok.text;
        sawDisposition = true;
        ReadParams(t, part.contentDisposition);
      }
    } else if (is("Content-ID")) {
      part.contentId = value;
      part.contentIds.emplace_back(name, value);
    }
  }
  part.bodyStart = std::min(pos, part.end);
  part.messageHeader += kAttachmentMessageEnd;
  if (!sawType) {
    part.type = "text";
    part.subtype = "plain";
  }
  if (!sawEncoding) part.transferEncoding = "7bit";
  if (!sawDisposition) part.disposition = "not-attachment";
  if (EqualsNoCaseCp932(part.transferEncoding, "base64")) {
    part.type = "application";
    part.subtype = "octet-stream";
  }
}

bool MimeTree::ParsePart(MimePart& part) {
  ReadHeader(part);
  if (part.depth >= kMaxDepth) return true;  // too deep: a leaf
  if (part.IsMultipart()) return Split(part);
  if (part.IsMessage()) {
    part.children.push_back(NewPart(&part, part.bodyStart, part.end));
    return ParsePart(*part.children.back());
  }
  return true;
}

bool MimeTree::Split(MimePart& part) {
  const std::string* boundary = FindParam(part.contentType, "boundary");
  if (!boundary || boundary->empty()) return false;
  const std::string delimiter = "--" + *boundary;
  int64_t match = file_.Find(delimiter, part.bodyStart, part.end);
  if (match < 0) return false;

  std::vector<std::pair<int64_t, int64_t>> ranges;
  int64_t bodyStart = -1;
  while (match >= 0) {
    int64_t after = match + static_cast<int64_t>(delimiter.size());
    bool closing = file_.At(after) == '-' && file_.At(after + 1) == '-' && after + 1 < part.end;
    if (bodyStart >= 0) ranges.emplace_back(bodyStart, match);
    if (closing) {
      if (bodyStart < 0) return false;  // the first delimiter may not close
      bodyStart = -1;
      break;
    }
    int64_t crlf = file_.FindCrLf(after, part.end);
    if (crlf < 0) return false;
    bodyStart = crlf + 2;
    match = file_.Find(delimiter, bodyStart, part.end);
  }
  if (bodyStart >= 0) ranges.emplace_back(bodyStart, part.end);  // no closing delimiter

  bool ok = true;
  for (const auto& [begin, end] : ranges) {
    part.children.push_back(NewPart(&part, begin, end));
    part.children.back()->index = part.children.size() - 1;
    if (!ParsePart(*part.children.back())) ok = false;
  }
  return ok;
}

MimePart* MimeTree::FirstLeaf() {
  MimePart* p = root_.get();
  while (p && !p->children.empty()) p = p->children.front().get();
  current_ = p;
  return p;
}

MimePart* MimeTree::NextLeaf() {
  MimePart* p = current_;
  while (p && p->parent) {
    MimePart* parent = p->parent;
    size_t i = p->index;
    if (i + 1 < parent->children.size()) {
      p = parent->children[i + 1].get();
      while (!p->children.empty()) p = p->children.front().get();
      current_ = p;
      return p;
    }
    p = parent;
  }
  current_ = nullptr;
  return nullptr;
}

}  // namespace fennel
