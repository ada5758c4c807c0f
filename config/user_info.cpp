#include "config/user_info.h"

namespace fennel {

void CUserInfo::SerializeSettings(CArchive& ar) {
  ar.Io(userId);
  ar.Io(scrambledPassword);
  ar.IoTime(createTime);
  ar.Io(smtpServer);
  ar.Io(popServer);
  ar.Io(fullName);
  ar.Io(mailAddress);
  ar.Io(account);
  ar.Io(mailPassword);
  ar.Io(mailDir);
  ar.Io(smtpPort);
  ar.Io(popPort);
  ar.Io(leaveOnServer);
  ar.Io(checkInterval);
  ar.Io(sigOfficial);
  ar.Io(sigPersonal);
  ar.Io(sigOther);
  ar.Io(defaultPage);
  ar.Io(receiptText);
  ar.Io(serverTimeout);
  ar.Io(headerListMode);
  ar.Io(headerListPending);
  ar.Io(keepLogon);
  ar.Io(htmlMode);
  ar.Io(mainHeight);
  ar.Io(mainWidth);
  ar.Io(mailboxHeight);
  ar.Io(mailboxWidth);
  ar.Io(messageWidth);
}

void CUserInfo::Serialize(CArchive& ar) {
  SerializeSettings(ar);
  store.Serialize(ar);
}

}  // namespace fennel
