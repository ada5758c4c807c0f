// A folder of the store with its mail records, in the order they were added.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "store/archive.h"
#include "store/mail_detail.h"

namespace fennel {

class CFolderDetail : public CObject {
 public:
  enum State : int32_t { kNormal = 0, kBeingDeleted = 2 };
  enum SortCondition : int32_t { kByFrom = 0, kBySubject = 1, kByTo = 2, kByBody = 3 };
  static const ClassInfo kClass;

  const ClassInfo& GetRuntimeClass() const override { return kClass; }
  void Serialize(CArchive& ar) override;

  std::string name;
  int32_t state = kNormal;
  std::string sortText;
  std::string parent;
  std::string spareStr[3];
  int32_t spare8 = 0;
  int32_t sortCondition = kByFrom;
  int32_t threadView = 0;
  int32_t expanded = 0;
  int32_t spare12 = 0;
  int32_t listSortKey = 0;
  int32_t spareInt[4] = {};
  std::vector<std::unique_ptr<CMailDetail>> mails;

 private:
  void SerializeHeader(CArchive& ar);
};

}  // namespace fennel
