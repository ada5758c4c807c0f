#include "store/list_info.h"

namespace fennel {

void CListInfo::Serialize(CArchive& ar) {
  ar.IoList(addresses);
  ar.IoList(folders);
  ar.IoList(subAccounts);
  ar.IoList(phrases);
  for (auto& list : spare) ar.IoList(list);
}

void CListInfo::Clear() {
  addresses.clear();
  folders.clear();
  subAccounts.clear();
  phrases.clear();
  for (auto& list : spare) list.clear();
}

const ClassRegistry& ClassRegistry::Records() {
  static const ClassRegistry registry = [] {
    ClassRegistry r;
    r.Register(CAddressDetail::kClass);
    r.Register(CFolderDetail::kClass);
    r.Register(CMailDetail::kClass);
    r.Register(CCommonDetail::kClass);
    return r;
  }();
  return registry;
}

}  // namespace fennel
