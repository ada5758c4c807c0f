#include "store/text_files.h"

#include <cstdlib>
#include <vector>

#include "platform/fs.h"

namespace fennel {
namespace {

const char* Header(TextFileKind kind) {
  switch (kind) {
    case TextFileKind::Address: return "メールアドレス,ニックネーム,フルネーム,メモ,性別,カテゴリー";
    case TextFileKind::Phrase: return "題名,本文";
    case TextFileKind::SubAccount:
      return "POPｻｰﾊﾞｰｱﾄﾞﾚｽ,POPｻｰﾊﾞｰｱｶｳﾝﾄ,POPﾎﾟｰﾄ番号,ﾒｯｾｰｼﾞをｻｰﾊﾞｰに保存,ｱｶｳﾝﾄの使用可否";
    case TextFileKind::Folder: return "ﾌｫﾙﾀﾞ名,振分文字,親ﾌｫﾙﾀﾞ,振分条件,ｽﾚｯﾄﾞ";
  }
  return "";
}

char Separator(TextFileKind kind) { return kind == TextFileKind::Folder ? '+' : ','; }

// Every CR and every LF of a memo becomes "^".
std::string EscapeMemo(const std::string& memo) {
  std::string s = memo;
  for (char& c : s)
    if (c == '\r' || c == '\n') c = '^';
  return s;
}

// Every pair of carets becomes CR LF.
std::string UnescapeMemo(const std::string& text) {
  std::string s;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '^' && i + 1 < text.size() && text[i + 1] == '^') {
      s += "\r\n";
      ++i;
    } else {
      s.push_back(text[i]);
    }
  }
  return s;
}

std::vector<std::string> SplitColumns(const std::string& line, char sep) {
  std::vector<std::string> cols;
  size_t start = 0;
  while (true) {
    size_t at = line.find(sep, start);
    cols.push_back(line.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) break;
    start = at + 1;
  }
  return cols;
}

std::string Column(const std::vector<std::string>& cols, size_t i) { return i < cols.size() ? cols[i] : std::string(); }
int32_t Number(const std::vector<std::string>& cols, size_t i) {
  return static_cast<int32_t>(std::atol(Column(cols, i).c_str()));
}

// Lines split at LF, a CR before it dropped; a line end at the very end
// starts no further line.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t lf = text.find('\n', start);
    size_t end = lf == std::string::npos ? text.size() : lf;
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    if (lf == std::string::npos) break;
    start = lf + 1;
  }
  return lines;
}

}  // namespace

std::string ExportText(const CListInfo& store, TextFileKind kind) {
  std::string t = std::string(Header(kind)) + "\r\n";
  const std::string sep(1, Separator(kind));
  switch (kind) {
    case TextFileKind::Address:
      for (const auto& a : store.addresses)
        t += a->mailAddress + sep + a->nickname + sep + a->fullName + sep + EscapeMemo(a->memo) + sep +
             std::to_string(a->kind) + sep + a->category + "\r\n";
      break;
    case TextFileKind::Phrase:
      // The body is written as it is: each of its lines becomes a file line.
      for (const auto& p : store.phrases) {
        const auto v = AsPhrase(*p);
        t += v.title() + sep + v.body() + sep + v.category() + sep + std::to_string(v.isCategory()) + "\r\n";
      }
      break;
    case TextFileKind::SubAccount:
      // The password is never written.
      for (const auto& c : store.subAccounts) {
        const auto v = AsSubAccount(*c);
        t += v.server() + sep + v.account() + sep + std::to_string(v.port()) + sep +
             std::to_string(v.deleteFromServer()) + sep + std::to_string(v.disabled()) + "\r\n";
      }
      break;
    case TextFileKind::Folder:
      for (const auto& f : store.folders)
        t += f->name + sep + f->sortText + sep + f->parent + sep + std::to_string(f->sortCondition) + sep +
             std::to_string(f->threadView) + "\r\n";
      break;
  }
  return t;
}

bool ExportFile(const CListInfo& store, TextFileKind kind, const std::string& path) {
  return WriteFileAtomic(path, ExportText(store, kind), 0600);
}

int ImportText(CListInfo& store, TextFileKind kind, const std::string& text) {
  std::vector<std::string> lines = Lines(text);
  if (lines.empty()) return 0;
  int taken = 0;
  const char sep = Separator(kind);
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string> c = SplitColumns(lines[i], sep);
    switch (kind) {
      case TextFileKind::Address: {
        const std::string address = Column(c, 0);
        if (!address.empty() && store.FindByAddress(address)) continue;
        const std::string k = Column(c, 4);
        int32_t kindValue = k == "1" ? 1 : k == "2" ? 2 : 0;
        store.AddAddress(Column(c, 1), address, Column(c, 2), UnescapeMemo(Column(c, 3)), kindValue, Column(c, 5));
        break;
      }
      case TextFileKind::Phrase: {
        const std::string title = Column(c, 0);
        if (!title.empty() && store.FindPhrase(title)) continue;
        store.AddPhrase(title, Column(c, 1), Column(c, 2), Number(c, 3));
        break;
      }
      case TextFileKind::SubAccount:
        store.AddSubAccount(Column(c, 0), Column(c, 1), "", Number(c, 2), Number(c, 3), Number(c, 4));
        break;
      case TextFileKind::Folder:
        store.AddFolder(Column(c, 0), Number(c, 3), Number(c, 4), Column(c, 1), Column(c, 2));
        break;
    }
    ++taken;
  }
  return taken;
}

int ImportFile(CListInfo& store, TextFileKind kind, const std::string& path) {
  std::string text;
  if (!ReadWholeFile(path, text)) return -1;
  return ImportText(store, kind, text);
}

}  // namespace fennel
