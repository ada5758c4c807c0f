// An entry of the address book, or an address folder (kind 2).
#pragma once

#include <cstdint>
#include <string>

#include "store/archive.h"

namespace fennel {

class CAddressDetail : public CObject {
 public:
  enum Kind : int32_t { kMale = 0, kFemale = 1, kFolder = 2 };
  static const ClassInfo kClass;

  const ClassInfo& GetRuntimeClass() const override { return kClass; }
  void Serialize(CArchive& ar) override;

  std::string mailAddress;  // written before the nickname
  std::string nickname;
  std::string fullName;
  std::string memo;
  int32_t spare5 = 0;
  std::string category;
  std::string spareStr[4];
  int32_t kind = kMale;
  int32_t spareInt[9] = {};
};

}  // namespace fennel
