#include "store/common_detail.h"

namespace fennel {

const ClassInfo CCommonDetail::kClass{"CCommonDetail", 0, [] { return std::unique_ptr<CObject>(new CCommonDetail); }};

void CCommonDetail::Serialize(CArchive& ar) {
  for (std::string& v : s) ar.Io(v);
  for (int32_t& v : i) ar.Io(v);
}

}  // namespace fennel
