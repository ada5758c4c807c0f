// The user ID file with its safety net. Beside "<user>.id" lie:
//   "<user>.id.1"        the previous good generation, kept at every write;
//   "<user>.id.sum"      the size and CRC-32 of the generations written, so
//                        that damage anywhere in the file (inside a string
//                        too) is found at the next logon;
//   "<user>.id.damaged"  a damaged file set aside when the logon went on
//                        from the previous generation.
// The ID file itself keeps the record layout byte for byte.
#pragma once

#include <string>

#include "config/record_file.h"

namespace fennel {

class Prompter;

// What is known of the ID file on disk.
struct IdFileState {
  bool known = false;          // loaded cleanly or written here
  bool damagedOnDisk = false;  // the file is damaged; the logon used the previous generation
  RecordSum onDisk;            // of the file at the path (when known)
  RecordSum previous;          // of the previous generation (when damagedOnDisk)
};

inline std::string PreviousIdFile(const std::string& idPath) { return idPath + ".1"; }
inline std::string IdSumFile(const std::string& idPath) { return idPath + ".sum"; }
inline std::string DamagedIdFile(const std::string& idPath) { return idPath + ".damaged"; }

enum class IdLoad {
  Ok,
  CannotOpen,
  Damaged,      // the record cannot be read as it stands
  SumMismatch,  // it reads, but the program did not write these bytes: damage
                // inside a text, or a file copied in from elsewhere
};

// Loads the ID file at idPath, or (previous) its previous generation, and
// checks it against the sum file (when there is one: an older store has none).
IdLoad LoadIdFile(const std::string& idPath, bool previous, CUserInfo& user, Prompter* prompter, RecordSum* sum);

enum class IdSave { Unchanged, Written, Failed };

// Writes the record when it differs from what the file holds (a command
// that changed nothing writes nothing). The file it replaces becomes the
// previous generation, unless it was damaged: then it is set aside and the
// previous generation stays. Never writes a partial file.
IdSave SaveIdFile(const std::string& path, CUserInfo& user, IdFileState& state);

}  // namespace fennel
