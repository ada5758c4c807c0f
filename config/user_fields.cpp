#include "config/user_fields.h"

#include <cerrno>
#include <cstdlib>

namespace fennel {
namespace {

UserField Text(const char* name, std::string CUserInfo::*m, bool secret = false, bool readOnly = false) {
  return UserField{name, UserField::kText, m, nullptr, nullptr, secret, readOnly};
}
UserField Number(const char* name, int32_t CUserInfo::*m) {
  return UserField{name, UserField::kNumber, nullptr, m, nullptr, false, false};
}

}  // namespace

const std::vector<UserField>& UserFields() {
  static const std::vector<UserField> fields = {
      Text("user_id", &CUserInfo::userId, false, true),
      Text("password", &CUserInfo::scrambledPassword, true, true),
      UserField{"create_time", UserField::kTime, nullptr, nullptr, &CUserInfo::createTime, false, true},
      Text("smtp_server", &CUserInfo::smtpServer),
      Text("pop_server", &CUserInfo::popServer),
      Text("full_name", &CUserInfo::fullName),
      Text("mail_address", &CUserInfo::mailAddress),
      Text("account", &CUserInfo::account),
      Text("mail_password", &CUserInfo::mailPassword, true),
      Text("mail_dir", &CUserInfo::mailDir),
      Number("smtp_port", &CUserInfo::smtpPort),
      Number("pop_port", &CUserInfo::popPort),
      Number("leave_on_server", &CUserInfo::leaveOnServer),
      Number("check_interval", &CUserInfo::checkInterval),
      Text("signature_official", &CUserInfo::sigOfficial),
      Text("signature_personal", &CUserInfo::sigPersonal),
      Text("signature_other", &CUserInfo::sigOther),
      Text("default_page", &CUserInfo::defaultPage),
      Text("receipt_text", &CUserInfo::receiptText),
      Number("server_timeout", &CUserInfo::serverTimeout),
      Number("header_list_mode", &CUserInfo::headerListMode),
      Number("header_list_pending", &CUserInfo::headerListPending),
      Number("keep_logon", &CUserInfo::keepLogon),
      Number("html_mode", &CUserInfo::htmlMode),
      Number("main_height", &CUserInfo::mainHeight),
      Number("main_width", &CUserInfo::mainWidth),
      Number("mailbox_height", &CUserInfo::mailboxHeight),
      Number("mailbox_width", &CUserInfo::mailboxWidth),
      Number("message_width", &CUserInfo::messageWidth),
  };
  return fields;
}

const UserField* FindUserField(const std::string& name) {
  for (const UserField& f : UserFields())
    if (name == f.name) return &f;
  return nullptr;
}

std::string UserFieldText(const CUserInfo& user, const UserField& field, bool mask) {
  switch (field.kind) {
    case UserField::kText: {
      const std::string& v = user.*field.text;
      if (mask && field.secret) return v.empty() ? "" : "********";
      return v;
    }
    case UserField::kNumber:
      return std::to_string(user.*field.number);
    case UserField::kTime:
      return std::to_string(user.*field.time);
  }
  return {};
}

bool SetUserField(CUserInfo& user, const UserField& field, const std::string& value) {
  switch (field.kind) {
    case UserField::kText:
      user.*field.text = value;
      return true;
    case UserField::kNumber: {
      errno = 0;
      char* end = nullptr;
      long v = std::strtol(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return false;
      user.*field.number = static_cast<int32_t>(v);
      return true;
    }
    case UserField::kTime: {
      char* end = nullptr;
      long long v = std::strtoll(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0') return false;
      user.*field.time = v;
      return true;
    }
  }
  return false;
}

}  // namespace fennel
