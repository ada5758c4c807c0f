// The progress window of a long piece of local work (an import phase, a
// search): a text, a range, a step per item and a cancel button.
#pragma once

#include <string>

namespace fennel {

class ProgressHost {
 public:
  virtual ~ProgressHost() = default;
  virtual void OpenProgress(const std::string& text, int range) = 0;
  // One step; the window stays alive meanwhile (repaints, input). True once
  // the user pressed "ｷｬﾝｾﾙ".
  virtual bool StepProgress() = 0;
  virtual void CloseProgress() = 0;
};

}  // namespace fennel
