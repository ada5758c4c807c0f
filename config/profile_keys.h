// The entries of "Fennel.ini": two machine-wide ones, and per-user ones
// kept under a section named after the setting with the user ID as key.
#pragma once

#include <string>

#include "platform/profile.h"

namespace fennel {

inline constexpr const char* kProfileNull = "NULL";
inline constexpr const char* kRuntimeDirUnset = "設定されていません。";

// Column widths of the mail list, each its own section.
enum class ListColumn { Sender, Priority, Subject, Date };

class AppProfile {
 public:
  explicit AppProfile(const Profile& profile) : profile_(profile) {}

  // "ディレクトリ"/"実行時ディレクトリ"; "NULL" when unset.
  std::string RuntimeDir(const std::string& def = kProfileNull) const;
  bool SetRuntimeDir(const std::string& dir) const;
  // "コマンドライン"/"パラメタ"; "NULL" when unset.
  std::string CommandLineParameter() const;
  bool SetCommandLineParameter(const std::string& value) const;

  std::string QuoteHeader(const std::string& user) const;
  bool SetQuoteHeader(const std::string& user, const std::string& text) const;
  bool Animation(const std::string& user) const;
  bool SetAnimation(const std::string& user, bool on) const;
  bool ToolBar(const std::string& user) const;
  bool SetToolBar(const std::string& user, bool on) const;
  bool StatusBar(const std::string& user) const;
  bool SetStatusBar(const std::string& user, bool on) const;
  bool PopAuth(const std::string& user) const;
  bool SetPopAuth(const std::string& user, bool on) const;
  int ColumnWidth(ListColumn column, const std::string& user) const;
  bool SetColumnWidth(ListColumn column, const std::string& user, int width) const;
  int AddressSort(const std::string& user) const;
  bool SetAddressSort(const std::string& user, int column) const;

  const Profile& profile() const { return profile_; }

 private:
  const Profile& profile_;
};

// The standard text-to-integer rule: leading digits (with a sign), else 0.
int ParseDecimal(const std::string& text);

}  // namespace fennel
