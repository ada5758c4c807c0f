#include "message/display.h"

#include <ctime>

#include "message/decode_leaf.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/text.h"

namespace fennel {
namespace {

bool HasAttachments(const std::string& list) { return !list.empty() && list != "\r\n"; }

std::string HtmlLayout(std::string text, const std::string& attachments, bool received) {
  bool iso2022 = false;
  if (received) {
    size_t notice = text.find(kHtmlNotice);
    if (notice != std::string::npos) text.replace(0, notice + std::string(kHtmlNotice).size(), "<p>\r\n");
    for (const char* spelling :
         {"iso-2022-jp", "Iso-2022-Jp", "ISO-2022-JP", "iso_2022_jp", "Iso_2022_Jp", "ISO_2022_JP"})
      if (text.find(spelling) != std::string::npos) iso2022 = true;
  }
  ReplaceAll(text, "<\r\n", "<");
  std::string page = text + "<BR>\r\n<BR>\r\n";
  if (HasAttachments(attachments)) {
    page += (!received || iso2022) ? "<b>--添付ファイル--" : "<b>--Attachment File--";
    page += "</b><BR>\r\n" + attachments + "<BR>\r\n";
  }
  return page;
}

}  // namespace

DecodedMessage DecodeMessageFile(const std::string& path, const std::string& saveDir, bool includeHtml,
                                 bool saveAttachments) {
  DecodedMessage m;
  MimeTree tree;
  m.parsed = tree.Parse(path);
  if (!m.parsed) m.text = std::string(kCannotDisplay) + (includeHtml ? "<p>\r\n" : "\r\n");
  LeafContext ctx;
  ctx.saveDir = saveDir;
  ctx.includeHtml = includeHtml;
  ctx.saveAttachments = saveAttachments;
  for (MimePart* leaf = tree.FirstLeaf(); leaf; leaf = tree.NextLeaf()) DecodeLeaf(tree, m.text, m.attachments, ctx);
  return m;
}

bool IsReceivedPath(const std::string& path) {
  return path.size() >= 12 && path.compare(path.size() - 12, 3, "RCV") == 0;
}

std::string HeaderViewText(const ShownMail& mail) {
  std::string t;
  if (IsReceivedPath(mail.filePath))
    t += "差出人:" + mail.from + " " + "宛先:" + mail.to + "\r\n";
  else
    t += "宛先:" + mail.from + "\r\n";
  t += "件名:" + mail.subject + " ";
  t += IsReceivedPath(mail.filePath) ? "受信時刻:" : "送信時刻:";
  t += FormatLocalTime(mail.date, "%Y/%m/%d %H:%M:%S");
  return t;
}

std::string TextViewLayout(const std::string& text, const std::string& attachments) {
  std::string shown = text + "\r\n\r\n";
  if (HasAttachments(attachments)) shown += "--添付ファイル--\r\n" + attachments + "\r\n";
  return shown;
}

std::string TextViewOfFile(const std::string& path, const std::string& saveDir) {
  DecodedMessage m = DecodeMessageFile(path, saveDir, false);
  return TextViewLayout(m.text, m.attachments);
}

std::string TextViewText(const ShownMail& mail, const std::string& saveDir) {
  if (IsReceivedPath(mail.filePath)) return TextViewOfFile(mail.filePath, saveDir);
  return TextViewLayout(mail.bodyText, mail.attachmentPaths);
}

std::string HtmlPageOfText(const DecodedMessage& m) { return HtmlLayout(m.text, m.attachments, true); }

std::string HtmlPageOfFile(const std::string& path, const std::string& saveDir) {
  return HtmlPageOfText(DecodeMessageFile(path, saveDir, true));
}

std::string HtmlPage(const ShownMail& mail, const std::string& saveDir) {
  if (IsReceivedPath(mail.filePath)) return HtmlPageOfFile(mail.filePath, saveDir);
  return HtmlLayout(mail.bodyText, mail.attachmentPaths, false);
}

std::string WriteMailView(const std::string& dir, const std::string& page) {
  const std::string path = JoinPath(dir, kMailViewFile);
  WriteFileAtomic(path, page, 0600);
  return path;
}

}  // namespace fennel
