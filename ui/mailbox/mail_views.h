// What the header, text and HTML views show of the selected mail, and
// where the links of a text are (the text view opens them with the desktop).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "message/display.h"
#include "store/mail_detail.h"

namespace fennel {

// The fields the views need of a record.
ShownMail ShownOf(const CMailDetail& mail);

// The links of a text: http://, https://, ftp://, mailto: and "www." runs,
// as [begin, end) byte ranges, in order. A link ends at white space, a
// character outside ASCII, or a closing bracket or quote; a final full stop
// or comma is not part of it.
std::vector<std::pair<size_t, size_t>> FindLinks(const std::string& text);

}  // namespace fennel
