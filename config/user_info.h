// The user's settings record, root of the user ID file and of "past.fnl".
// It carries the user's whole store after its settings.
#pragma once

#include <cstdint>
#include <string>

#include "store/archive.h"
#include "store/list_info.h"

namespace fennel {

class CUserInfo {
 public:
  static constexpr const char* kClassName = "CUserInfo";

  // Whole record: the settings, then the store.
  void Serialize(CArchive& ar);
  // Settings part only; reads the prefix of a whole-record file.
  void SerializeSettings(CArchive& ar);

  std::string userId;
  std::string scrambledPassword;  // 250 bytes, see ScramblePassword
  int64_t createTime = 0;
  std::string smtpServer;
  std::string popServer;
  std::string fullName;
  std::string mailAddress;
  std::string account;       // POP3 user name
  std::string mailPassword;  // POP3 password, as typed
  std::string mailDir;
  int32_t smtpPort = 0;
  int32_t popPort = 0;
  int32_t leaveOnServer = 1;
  int32_t checkInterval = 0;  // minutes; 0 = no automatic check
  std::string sigOfficial;
  std::string sigPersonal;
  std::string sigOther;
  std::string defaultPage;
  std::string receiptText;
  int32_t serverTimeout = 0;  // minutes, 1-10
  int32_t headerListMode = 0;
  int32_t headerListPending = 0;
  int32_t keepLogon = 0;  // 0 = save this logon (write "past.fnl"), 1 = do not
  int32_t htmlMode = 0;   // 0 switch automatically, 1 always HTML, 2 never HTML
  int32_t mainHeight = 0;
  int32_t mainWidth = 0;
  int32_t mailboxHeight = 0;
  int32_t mailboxWidth = 0;
  int32_t messageWidth = 0;
  CListInfo store;

  // Held in memory only.
  std::string logonDir;  // empty until a logon succeeds
  std::string spareStr[4];
  int32_t spareInt[4] = {};
};

}  // namespace fennel
