// The settings fields of CUserInfo by name, for the command line and the
// settings report: each field once, with its name and where it lives.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/user_info.h"

namespace fennel {

struct UserField {
  enum Kind { kText, kNumber, kTime };
  const char* name;
  Kind kind;
  std::string CUserInfo::*text;
  int32_t CUserInfo::*number;
  int64_t CUserInfo::*time;
  bool secret;    // shown masked
  bool readOnly;  // not changed by hand
};

// Every settings field, in record order.
const std::vector<UserField>& UserFields();
const UserField* FindUserField(const std::string& name);
// The value as text (CP932); secrets masked when mask is set.
std::string UserFieldText(const CUserInfo& user, const UserField& field, bool mask);
// Sets a field from text; false when a number does not parse.
bool SetUserField(CUserInfo& user, const UserField& field, const std::string& value);

}  // namespace fennel
