// A general record of nine strings and eighteen integers. Sub-accounts,
// phrases and the entries of the server mail list each give the fields
// their own meaning (see the accessors of their users).
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

}  // namespace fennel
