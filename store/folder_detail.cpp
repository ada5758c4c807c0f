#include "store/folder_detail.h"

#include "platform/prompter.h"

namespace fennel {

const ClassInfo CFolderDetail::kClass{"CFolderDetail", 0, [] { return std::unique_ptr<CObject>(new CFolderDetail); }};

void CFolderDetail::SerializeHeader(CArchive& ar) {
  ar.Io(name);
  ar.Io(state);
  ar.Io(sortText);
  ar.Io(parent);
  for (std::string& v : spareStr) ar.Io(v);
  ar.Io(spare8);
  ar.Io(sortCondition);
  ar.Io(threadView);
  ar.Io(expanded);
  ar.Io(spare12);
  ar.Io(listSortKey);
  for (int32_t& v : spareInt) ar.Io(v);
}

void CFolderDetail::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    SerializeHeader(ar);
  } else {
    try {
      SerializeHeader(ar);
    } catch (const ArchiveError&) {
      // Reported here; the mail list is read next all the same, and a
      // damaged file normally fails again there and ends the load.
      if (ar.prompter()) ar.prompter()->Show("フォルダ読み込み失敗");
    }
  }
  ar.IoList(mails);
}

}  // namespace fennel
