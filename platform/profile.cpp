#include "platform/profile.h"

#include <vector>

#include "platform/fs.h"
#include "platform/text.h"

namespace fennel {
namespace {

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    size_t end = nl == std::string::npos ? text.size() : nl;
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return lines;
}

// "[name]" -> name; empty optional otherwise.
bool SectionName(const std::string& line, std::string& name) {
  std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return false;
  // The second byte of a two-byte character may look like ']' (0x83 0x5D).
  size_t close = std::string::npos;
  for (size_t i = 1; i < t.size(); ++i) {
    if (t[i] == ']') {
      close = i;
      break;
    }
    if (IsCp932LeadByte(static_cast<unsigned char>(t[i]))) ++i;
  }
  if (close == std::string::npos) return false;
  name = Trim(t.substr(1, close - 1));
  return true;
}

bool KeyValue(const std::string& line, std::string& key, std::string& value) {
  std::string t = Trim(line);
  if (t.empty() || t[0] == ';') return false;
  size_t eq = t.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(t.substr(0, eq));
  value = Trim(t.substr(eq + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return true;
}

}  // namespace

std::string Profile::DefaultDirectory() {
  std::string dir = GetEnvCp932("FENNEL_PROFILE_DIR");
  if (!dir.empty()) return dir;
  dir = GetEnvCp932("XDG_CONFIG_HOME");
  if (!dir.empty()) return dir;
  return JoinPath(HomeDir(), ".config");
}

std::string Profile::DefaultPath() { return JoinPath(DefaultDirectory(), "Fennel.ini"); }

std::string Profile::GetString(const std::string& section, const std::string& key, const std::string& def,
                               size_t bufferSize) const {
  size_t limit = bufferSize > 0 ? bufferSize - 1 : 0;
  std::string text;
  if (!ReadWholeFile(path_, text)) return TruncateCp932(def, limit);
  bool inSection = false;
  for (const std::string& line : SplitLines(text)) {
    std::string name, k, v;
    if (SectionName(line, name)) {
      inSection = EqualsNoCaseCp932(name, section);
    } else if (inSection && KeyValue(line, k, v) && EqualsNoCaseCp932(k, key)) {
      return TruncateCp932(v, limit);
    }
  }
  return TruncateCp932(def, limit);
}

bool Profile::WriteString(const std::string& section, const std::string& key, const std::string& value) const {
  std::string text;
  ReadWholeFile(path_, text);
  std::vector<std::string> lines = SplitLines(text);
  const std::string entry = key + "=" + value;

  bool inSection = false;
  bool sectionFound = false;
  size_t insertAt = lines.size();  // after the last non-empty line of the section
  bool done = false;
  for (size_t i = 0; i < lines.size() && !done; ++i) {
    std::string name, k, v;
    if (SectionName(lines[i], name)) {
      if (inSection) break;
      inSection = EqualsNoCaseCp932(name, section);
      if (inSection) {
        sectionFound = true;
        insertAt = i + 1;
      }
    } else if (inSection) {
      if (KeyValue(lines[i], k, v) && EqualsNoCaseCp932(k, key)) {
        lines[i] = entry;
        done = true;
      } else if (!Trim(lines[i]).empty()) {
        insertAt = i + 1;
      }
    }
  }
  if (!done) {
    if (sectionFound) {
      lines.insert(lines.begin() + static_cast<long>(insertAt), entry);
    } else {
      lines.push_back("[" + section + "]");
      lines.push_back(entry);
    }
  }
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  size_t slash = path_.find_last_of('/');
  if (slash != std::string::npos && slash > 0) MakeDirs(path_.substr(0, slash));
  return WriteFileAtomic(path_, out, 0644);
}

}  // namespace fennel
