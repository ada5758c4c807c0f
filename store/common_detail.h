// A general record of nine strings and eighteen integers. Sub-accounts,
// phrases and the entries of the server mail list each give the fields
// their own meaning; the views below name them.
#pragma once

#include <cstdint>
#include <string>

#include "store/archive.h"

namespace fennel {

class CCommonDetail : public CObject {
 public:
  static const ClassInfo kClass;

  const ClassInfo& GetRuntimeClass() const override { return kClass; }
  void Serialize(CArchive& ar) override;

  std::string s[9];   // s1..s9
  int32_t i[18] = {};  // i1..i18
};

// The record as each of its users sees it. A view holds a reference to the
// record (const or not); it owns nothing.
template <typename R>
class SubAccountOf {
 public:
  explicit SubAccountOf(R& r) : r_(r) {}
  auto& server() const { return r_.s[0]; }
  auto& account() const { return r_.s[1]; }
  auto& password() const { return r_.s[2]; }
  auto& port() const { return r_.i[0]; }
  auto& deleteFromServer() const { return r_.i[1]; }  // 1: mail is not left on the server
  auto& disabled() const { return r_.i[2]; }          // 1: not polled

 private:
  R& r_;
};

template <typename R>
class PhraseOf {
 public:
  explicit PhraseOf(R& r) : r_(r) {}
  auto& title() const { return r_.s[0]; }
  auto& body() const { return r_.s[1]; }
  auto& category() const { return r_.s[2]; }  // the category's title; empty at the top level
  auto& isCategory() const { return r_.i[0]; }
  auto& phraseCount() const { return r_.i[8]; }  // of a category, for display

 private:
  R& r_;
};

template <typename R>
class ServerEntryOf {
 public:
  static constexpr int32_t kDeleteOnServer = 2;
  explicit ServerEntryOf(R& r) : r_(r) {}
  auto& from() const { return r_.s[0]; }
  auto& subject() const { return r_.s[1]; }
  auto& server() const { return r_.s[2]; }
  auto& account() const { return r_.s[3]; }
  auto& number() const { return r_.i[0]; }
  auto& action() const { return r_.i[1]; }  // 0 none, 2 delete on the server
  auto& size() const { return r_.i[2]; }

 private:
  R& r_;
};

template <typename R>
SubAccountOf<R> AsSubAccount(R& r) { return SubAccountOf<R>(r); }
template <typename R>
PhraseOf<R> AsPhrase(R& r) { return PhraseOf<R>(r); }
template <typename R>
ServerEntryOf<R> AsServerEntry(R& r) { return ServerEntryOf<R>(r); }
inline constexpr int32_t kDeleteOnServer = 2;

}  // namespace fennel
