// A received message as a tree of parts, each a byte range of the message
// file. Parsing reads header blocks and finds multipart delimiters through
// the file window; no part is copied into memory whole.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "message/file_window.h"
#include "message/jis.h"

namespace fennel {

using ParamList = std::vector<std::pair<std::string, std::string>>;

// The first value of a parameter, matched without regard to case.
const std::string* FindParam(const ParamList& list, std::string_view name);

inline constexpr const char* kAttachmentMessageStart = "\t-----Attachment Message-----\r\n";
inline constexpr const char* kAttachmentMessageEnd = "\t----------------------------\r\n";

class MimeTree;

class MimePart {
 public:
  // Lines of the part's body, each with its CR LF, at most 204,799 bytes.
  // A line holding the start of a B word without its "?=" is joined with the
  // next. False at the end of the part.
  bool FirstBodyLine(std::string& line);
  bool NextBodyLine(std::string& line);

  bool IsMultipart() const;
  bool IsMessage() const;
  // The message/* part this part belongs to, or null.
  const MimePart* EnclosingMessage() const;
  // The part whose header block stands for that message: this part when
  // its parent is the message, else the multipart between them.
  const MimePart* MessageHeaderPart() const;

  std::string type = "text";
  std::string subtype = "plain";
  std::string transferEncoding = "7bit";
  std::string disposition = "not-attachment";
  std::string contentId;
  ParamList contentType;
  ParamList contentDisposition;
  ParamList contentIds;
  std::string messageHeader = kAttachmentMessageStart;

  int64_t start = 0;
  int64_t end = 0;        // exclusive
  int64_t bodyStart = 0;  // after the header block's empty line
  int depth = 0;
  size_t index = 0;  // among the parent's children
  MimePart* parent = nullptr;
  std::vector<std::unique_ptr<MimePart>> children;

 private:
  friend class MimeTree;
  bool ReadLine(std::string& line);
  FileWindow* file_ = nullptr;
  int64_t cur_ = 0;
};

class MimeTree {
 public:
  // Deeper nesting than this is taken as a leaf.
  static constexpr int kMaxDepth = 64;
  static constexpr size_t kMaxHeaderField = 204800;

  // Builds the tree. False when the file cannot be opened or a part cannot
  // be parsed; what was built is still walked.
  bool Parse(const std::string& path);

  MimePart* root() { return root_.get(); }
  MimePart* FirstLeaf();
  MimePart* NextLeaf();
  MimePart* current() { return current_; }
  FileWindow& file() { return file_; }
  const std::string& path() const { return path_; }
  bool opened() const { return file_.isOpen(); }

 private:
  bool ParsePart(MimePart& part);
  void ReadHeader(MimePart& part);
  bool Split(MimePart& part);
  std::unique_ptr<MimePart> NewPart(MimePart* parent, int64_t start, int64_t end);

  std::unique_ptr<MimePart> root_;
  MimePart* current_ = nullptr;
  FileWindow file_;
  std::string path_;
  JisConverter jis_;
};

}  // namespace fennel
