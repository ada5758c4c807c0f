#include "store/address_detail.h"

namespace fennel {

const ClassInfo CAddressDetail::kClass{"CAddressDetail", 0,
                                       [] { return std::unique_ptr<CObject>(new CAddressDetail); }};

void CAddressDetail::Serialize(CArchive& ar) {
  ar.Io(mailAddress);
  ar.Io(nickname);
  ar.Io(fullName);
  ar.Io(memo);
  ar.Io(spare5);
  ar.Io(category);
  for (std::string& v : spareStr) ar.Io(v);
  ar.Io(kind);
  for (int32_t& v : spareInt) ar.Io(v);
}

}  // namespace fennel
