// The user's store: seven lists, kept inside the settings record and
// written after its settings.
#pragma once

#include <memory>
#include <vector>

#include "store/address_detail.h"
#include "store/archive.h"
#include "store/common_detail.h"
#include "store/folder_detail.h"

namespace fennel {

class CListInfo {
 public:
  // Written in place (no object tag): the seven lists one after another.
  void Serialize(CArchive& ar);
  void Clear();

  std::vector<std::unique_ptr<CAddressDetail>> addresses;
  std::vector<std::unique_ptr<CFolderDetail>> folders;
  std::vector<std::unique_ptr<CCommonDetail>> subAccounts;
  std::vector<std::unique_ptr<CCommonDetail>> phrases;
  std::vector<std::unique_ptr<CObject>> spare[3];  // always empty when written here
};

}  // namespace fennel
