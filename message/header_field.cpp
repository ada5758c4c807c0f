#include "message/header_field.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/fs.h"
#include "platform/text.h"

namespace fennel {
namespace {

constexpr size_t kShortLineLimit = 4098;
constexpr size_t kLongLineLimit = 204800;

// Lines of a file split at LF, handed out without their line end (LF or
// CR LF). A line longer than the limit is cut there, never in the middle of
// a two-byte character; the rest of it is read and dropped.
class LineReader {
 public:
  explicit LineReader(std::FILE* f) : f_(f), buf_(64 * 1024) {}

  // False at the end of the file once every line has been handed out.
  bool Next(std::string& line, size_t limit) {
    line.clear();
    size_t total = 0;  // bytes of the line before its LF
    bool any = false;
    for (;;) {
      if (pos_ == len_ && !Fill()) break;
      any = true;
      const char* start = buf_.data() + pos_;
      const size_t avail = len_ - pos_;
      const char* lf = static_cast<const char*>(std::memchr(start, '\n', avail));
      const size_t n = lf ? static_cast<size_t>(lf - start) : avail;
      // One byte beyond the limit is kept so that a CR there can be told
      // from text that needs cutting.
      if (line.size() < limit + 1) line.append(start, std::min(n, limit + 1 - line.size()));
      if (n > 0) last_ = start[n - 1];
      total += n;
      pos_ += lf ? n + 1 : n;
      if (lf) break;
    }
    if (!any) return false;
    size_t length = total;
    if (total > 0 && last_ == '\r') --length;
    if (length <= limit) {
      line.resize(length);
    } else {
      line = TruncateCp932(line, limit);
    }
    return true;
  }

 private:
  bool Fill() {
    pos_ = 0;
    len_ = std::fread(buf_.data(), 1, buf_.size(), f_);
    return len_ > 0;
  }

  std::FILE* f_;
  std::vector<char> buf_;
  size_t pos_ = 0;
  size_t len_ = 0;
  char last_ = 0;
};

struct Search {
  size_t lineLimit;
  bool skipBlanks;         // drop the spaces and tabs right after the name
  bool stopAtEmptyLine;    // the header ends at the first empty line
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string FindField(const std::string& path, const std::string& fieldName, const Search& how) {
  if (fieldName.empty()) return {};
  std::FILE* f = std::fopen(ToFsPath(path).c_str(), "rb");
  if (!f) return {};
  LineReader reader(f);
  std::string line, value;
  bool found = false;
  while (reader.Next(line, how.lineLimit)) {
    if (found) {
      if (line.empty() || !IsBlank(line[0])) break;
      value += line;  // a folded line, leading blanks and all
      continue;
    }
    if (line.empty() && how.stopAtEmptyLine) break;
    if (line.size() >= fieldName.size() &&
        EqualsNoCaseCp932(std::string_view(line).substr(0, fieldName.size()), fieldName)) {
      size_t i = fieldName.size();
      if (how.skipBlanks) {
        while (i < line.size() && IsBlank(line[i])) ++i;
      }
      value.assign(line, i);
      found = true;
    }
  }
  std::fclose(f);
  return value;
}

}  // namespace

std::vector<std::string> ReadHeaderFields(const std::string& path, const std::vector<std::string>& names) {
  std::vector<std::string> values(names.size());
  std::vector<bool> found(names.size(), false);
  std::FILE* f = std::fopen(ToFsPath(path).c_str(), "rb");
  if (!f) return values;
  LineReader reader(f);
  std::string line;
  int folding = -1;  // the field whose folded lines follow
  size_t left = names.size();
  while (reader.Next(line, kShortLineLimit)) {
    if (folding >= 0) {
      if (!line.empty() && IsBlank(line[0])) {
        values[static_cast<size_t>(folding)] += line;
        continue;
      }
      folding = -1;
      if (left == 0) break;
    }
    if (line.empty()) break;
    for (size_t k = 0; k < names.size(); ++k) {
      const std::string& name = names[k];
      if (found[k] || name.empty() || line.size() < name.size() ||
          !EqualsNoCaseCp932(std::string_view(line).substr(0, name.size()), name))
        continue;
      size_t i = name.size();
      while (i < line.size() && IsBlank(line[i])) ++i;
      values[k].assign(line, i);
      found[k] = true;
      --left;
      folding = static_cast<int>(k);
      break;
    }
  }
  std::fclose(f);
  return values;
}

std::string ReadHeaderField(const std::string& path, const std::string& fieldName) {
  return FindField(path, fieldName, Search{kShortLineLimit, true, true});
}

std::string ReadHeaderFieldLong(const std::string& path, const std::string& fieldName) {
  return FindField(path, fieldName, Search{kLongLineLimit, false, false});
}

}  // namespace fennel
