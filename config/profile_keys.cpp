#include "config/profile_keys.h"

#include <cstdlib>

namespace fennel {
namespace {

constexpr const char* kTrue = "TRUE";
constexpr const char* kFalse = "FALSE";

const char* ColumnSection(ListColumn c) {
  switch (c) {
    case ListColumn::Sender: return "差出人幅";
    case ListColumn::Priority: return "優先順位幅";
    case ListColumn::Subject: return "件名幅";
    case ListColumn::Date: return "日付幅";
  }
  return "";
}

}  // namespace

int ParseDecimal(const std::string& text) { return std::atoi(text.c_str()); }

std::string AppProfile::RuntimeDir(const std::string& def) const {
  return profile_.GetString("ディレクトリ", "実行時ディレクトリ", def, 1023);
}
bool AppProfile::SetRuntimeDir(const std::string& dir) const {
  return profile_.WriteString("ディレクトリ", "実行時ディレクトリ", dir);
}
std::string AppProfile::CommandLineParameter() const {
  return profile_.GetString("コマンドライン", "パラメタ", kProfileNull, 1023);
}
bool AppProfile::SetCommandLineParameter(const std::string& value) const {
  return profile_.WriteString("コマンドライン", "パラメタ", value);
}

std::string AppProfile::QuoteHeader(const std::string& user) const {
  return profile_.GetString("引用文先頭", user, "によって書かれました。", 1023);
}
bool AppProfile::SetQuoteHeader(const std::string& user, const std::string& text) const {
  return profile_.WriteString("引用文先頭", user, text);
}
bool AppProfile::Animation(const std::string& user) const {
  return profile_.GetString("アニメーション", user, kTrue, 32) == kTrue;
}
bool AppProfile::SetAnimation(const std::string& user, bool on) const {
  return profile_.WriteString("アニメーション", user, on ? kTrue : kFalse);
}
bool AppProfile::ToolBar(const std::string& user) const {
  return profile_.GetString("ツールバー", user, kTrue, 1023) == kTrue;
}
bool AppProfile::SetToolBar(const std::string& user, bool on) const {
  return profile_.WriteString("ツールバー", user, on ? kTrue : kFalse);
}
bool AppProfile::StatusBar(const std::string& user) const {
  return profile_.GetString("ステータスバー", user, kTrue, 1023) == kTrue;
}
bool AppProfile::SetStatusBar(const std::string& user, bool on) const {
  return profile_.WriteString("ステータスバー", user, on ? kTrue : kFalse);
}
bool AppProfile::PopAuth(const std::string& user) const {
  return profile_.GetString("POP認証", user, kFalse, 9) == kTrue;
}
bool AppProfile::SetPopAuth(const std::string& user, bool on) const {
  return profile_.WriteString("POP認証", user, on ? kTrue : kFalse);
}
int AppProfile::ColumnWidth(ListColumn column, const std::string& user) const {
  return ParseDecimal(profile_.GetString(ColumnSection(column), user, "0", 9));
}
bool AppProfile::SetColumnWidth(ListColumn column, const std::string& user, int width) const {
  return profile_.WriteString(ColumnSection(column), user, std::to_string(width));
}
int AppProfile::AddressSort(const std::string& user) const {
  return ParseDecimal(profile_.GetString("アドレスソート", user, "0", 32));
}
bool AppProfile::SetAddressSort(const std::string& user, int column) const {
  return profile_.WriteString("アドレスソート", user, std::to_string(column));
}

}  // namespace fennel
