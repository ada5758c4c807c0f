// Message files are stored with CR LF line ends, as they come from a server.
#pragma once

#include <string>
#include <string_view>

namespace fennel {

// True when some line ends with LF alone.
bool HasBareLf(std::string_view bytes);
// Every line end made CR LF; a leading mbox "From " line is dropped.
std::string ToStoredForm(std::string_view bytes);
// CR LF made LF, for a terminal.
std::string ToUnixLineEnds(std::string_view text);

}  // namespace fennel
