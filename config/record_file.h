// Reading and writing the user's record file (the ID file and "past.fnl").
#pragma once

#include <cstdint>
#include <string>

#include "config/user_info.h"

namespace fennel {

class AtomicFile;
class Prompter;

enum class RecordLoad { Ok, CannotOpen, Damaged };

// The size and CRC-32 of the bytes of a record file.
struct RecordSum {
  uint64_t size = 0;
  uint32_t crc = 0;
  bool operator==(const RecordSum&) const = default;
};

// Loads the whole record (settingsOnly: the settings part) into user.
// A whole load must use the file exactly: bytes left over, a list that runs
// past the end, or a value no record holds (a mail state other than 0-3)
// make it Damaged. On Damaged, user holds what was read before the failure.
// sum, when given, receives the size and CRC of the bytes read.
RecordLoad LoadRecordFile(const std::string& path, CUserInfo& user, bool settingsOnly, Prompter* prompter = nullptr,
                          RecordSum* sum = nullptr);

// The size and CRC of the whole record as it would be written, without
// writing anything.
RecordSum SumOfRecord(CUserInfo& user);

// Writes the whole record into an open file (not yet committed).
bool WriteRecord(AtomicFile& file, CUserInfo& user);

// Writes the whole record atomically with mode 0600: the old file stays
// intact unless the new one was written completely.
bool SaveRecordFile(const std::string& path, CUserInfo& user);

}  // namespace fennel
