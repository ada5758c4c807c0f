// A prompter for tests: records every box shown and answers from a script.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/prompter.h"

namespace fennel::test {

struct ShownBox {
  std::string text;  // CP932
  std::string caption;
  MbIcon icon;
  MbButtons buttons;
};

class ScriptedPrompter : public Prompter {
 public:
  using Prompter::Show;
  MbAnswer Show(const std::string& text, const std::string& caption, MbIcon icon, MbButtons buttons) override {
    shown.push_back({text, caption, icon, buttons});
    if (!answers.empty()) {
      MbAnswer a = answers.front();
      answers.pop_front();
      return a;
    }
    return buttons == MbButtons::YesNo || buttons == MbButtons::YesNoCancel ? MbAnswer::Yes : MbAnswer::Ok;
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const auto& b : shown) t.push_back(b.text);
    return t;
  }

  std::deque<MbAnswer> answers;  // used in order; then OK / Yes
  std::vector<ShownBox> shown;
};

}  // namespace fennel::test
