// Decoding the leaves of a parsed message into the text to show and the
// list of attachments, saving named attachments on the way.
#pragma once

#include <string>

#include "message/jis.h"
#include "message/mime_part.h"
#include "message/quoted_printable.h"

namespace fennel {

inline constexpr const char* kHtmlNotice =
    "これはＨＴＭＬ形式のメールです。正しく表示する場合は、メールの設定－＞その他で設定してください。"
    "設定後、一旦メール一覧を閉じてください。";
inline constexpr const char* kCannotOpenPart = "Could not open body part.";
inline constexpr const char* kCannotCreateAttachment = "Could not open the output file.Error";

// What one message's decoding shares from leaf to leaf.
struct LeafContext {
  std::string saveDir;     // where named attachments are written (CP932)
  bool includeHtml = false;
  bool saveAttachments = true;
  JisConverter jis;
};

// Decodes the tree's current leaf, appending to text and attachments.
void DecodeLeaf(MimeTree& tree, std::string& text, std::string& attachments, LeafContext& ctx);

// A file name from a message made safe to write in a directory: no
// directories, no control characters, never "." or "..".
std::string SafeFileName(const std::string& name);

}  // namespace fennel
