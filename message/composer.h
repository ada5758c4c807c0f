// The message composer: turns a written mail into the outgoing message file
// "sending.tmp" (headers, ISO-2022-JP text part, base64 attachments) and the
// envelope recipient list the SMTP session sends to.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace fennel {

// Mail to this carrier's phones is answered to the Reply-To address, so a
// reply-to address given by the user stands in the From header for it.
inline constexpr const char* kMobileCarrierDomain = "docomo.ne.jp";

// The name of the outgoing message file in the mail directory.
inline constexpr const char* kSendingFileName = "sending.tmp";

struct ComposeInput {
  // Comma-separated recipient items (CP932): a nickname of the address
  // book, a bare address, "name <address>" or "address (comment)".
  std::string to;
  std::string cc;
  std::string bcc;
  std::string subject;
  std::string body;                      // CR LF line ends
  std::vector<std::string> attachments;  // full paths, in order
  std::string replyTo;                   // may be empty
  std::string inReplyTo;                 // may be empty
  std::string references;                // may be empty
  bool receiptRequest = false;
  bool scramble = false;

  // From the user's settings.
  std::string userId;
  std::string userName;
  std::string mailAddress;
  std::string popAccount;
  std::string smtpServer;
  std::string mailDir;

  // The address of an address-book nickname (exact comparison), if any.
  std::function<std::optional<std::string>(const std::string& nickname)> nicknameAddress;
};

struct ComposedMessage {
  bool ok = false;                  // false: the file could not be written
  std::string path;                 // mail directory + "sending.tmp"
  std::vector<std::string> recipients;  // envelope: Bcc, then Cc, then To
  std::string toHeader;             // header forms of the three fields
  std::string ccHeader;
  std::string bccHeader;
  std::string messageId;            // without angle brackets
};

// The header form and the envelope addresses of one recipient field.
struct RecipientField {
  std::string header;
  std::vector<std::string> addresses;
};
RecipientField ParseRecipients(const std::string& field,
                               const std::function<std::optional<std::string>(const std::string&)>& nicknameAddress);

// Writes mailDir/sending.tmp. The Bcc field reaches the envelope only: the
// transmitted message carries no Bcc header.
ComposedMessage ComposeMessage(const ComposeInput& input);

// "Mon, 06 Dec 2004 09:05:03 +0900", local time with the real local offset.
std::string FormatDate();
std::string FormatDate(int64_t t);
// "%02d%02d%02d%02d%02d%02d.%lu@%s": month, day, years since 1900, hour,
// minute, second, the run's counter (then incremented), the domain.
std::string MakeMessageId(const std::string& domain);
// "=_ Boundary " followed by random characters, length - 1 in all.
std::string MakeBoundary(int length);
// The content type of a file by its extension; "application/octet-stream"
// for anything unknown.
std::string ContentTypeForFile(const std::string& path);
// Whether a body is HTML for the composer and the editor.
bool BodyLooksHtml(const std::string& body);

// The counter shared by Message-IDs and content IDs (tests reset it).
void ResetMessageIdCounter(uint32_t value = 0);

}  // namespace fennel
