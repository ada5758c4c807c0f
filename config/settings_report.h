// The user's settings as readable text, never with a password: the report
// file of the maintenance menu ("myConfig.txt") and the report a mail
// window appends to its body (with sub-accounts and folders), so settings
// can be kept or mailed.
#pragma once

#include <string>

#include "config/mail_app.h"

namespace fennel {

inline constexpr const char* kSettingsReportFileName = "myConfig.txt";

// The text of the report file, every line ended by CR LF.
std::string SettingsReportText(const CMailApp& app);
// The same settings between a title line and the sub-account and folder
// sections, as a mail body gets it.
std::string SettingsReportForMail(const CMailApp& app);
// Writes the report file (readable by others). False when it cannot be
// written; the file is then left as it was.
bool WriteSettingsReport(const CMailApp& app, const std::string& path);

}  // namespace fennel
