// Reading and writing the user's record file (the ID file and "past.fnl").
#pragma once

#include <string>

#include "config/user_info.h"

namespace fennel {

class Prompter;

enum class RecordLoad { Ok, CannotOpen, Damaged };

// Loads the whole record (settingsOnly: the settings part) into user.
// On Damaged, user holds what was read before the failure.
RecordLoad LoadRecordFile(const std::string& path, CUserInfo& user, bool settingsOnly, Prompter* prompter = nullptr);

// Writes the whole record atomically with mode 0600: the old file stays
// intact unless the new one was written completely.
bool SaveRecordFile(const std::string& path, CUserInfo& user);

}  // namespace fennel
