// Message boxes on the command line: the text goes to standard error in
// UTF-8 and the box is answered without asking.
#pragma once

#include <cstdio>
#include <string>

#include "platform/prompter.h"

namespace fennel {

class CliPrompter : public Prompter {
 public:
  explicit CliPrompter(FILE* out = stderr) : out_(out) {}
  using Prompter::Show;
  // Questions are answered OK / Yes unless answerNo is set.
  MbAnswer Show(const std::string& text, const std::string& caption, MbIcon icon, MbButtons buttons) override;

  bool answerNo = false;

 private:
  FILE* out_;
};

}  // namespace fennel
