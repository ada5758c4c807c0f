#include "cli/cli_prompter.h"

#include "platform/text.h"

namespace fennel {

MbAnswer CliPrompter::Show(const std::string& text, const std::string&, MbIcon, MbButtons buttons) {
  std::fprintf(out_, "%s\n", Cp932ToUtf8(text).c_str());
  std::fflush(out_);
  switch (buttons) {
    case MbButtons::Ok:
      return MbAnswer::Ok;
    case MbButtons::OkCancel:
      return answerNo ? MbAnswer::Cancel : MbAnswer::Ok;
    case MbButtons::YesNo:
    case MbButtons::YesNoCancel:
      return answerNo ? MbAnswer::No : MbAnswer::Yes;
  }
  return MbAnswer::Ok;
}

}  // namespace fennel
