// Message boxes as the core sees them: a text, a caption, an icon and a set
// of buttons, answered with the button pressed. Qt shows them, the command
// line answers them by itself, and tests script the answers.
#pragma once

#include <optional>
#include <string>

namespace fennel {

enum class MbIcon { None, Stop, Question, Exclamation, Information };
enum class MbButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MbAnswer { Ok, Cancel, Yes, No };

// The caption every box of the program carries unless it names its own.
inline constexpr const char* kAppCaption = "Fennel";

class Prompter {
 public:
  virtual ~Prompter() = default;
  // text and caption are CP932.
  virtual MbAnswer Show(const std::string& text, const std::string& caption, MbIcon icon, MbButtons buttons) = 0;

  MbAnswer Show(const std::string& text, MbIcon icon = MbIcon::None, MbButtons buttons = MbButtons::Ok) {
    return Show(text, kAppCaption, icon, buttons);
  }
};

// Folder and file pickers of the platform.
class FilePicker {
 public:
  virtual ~FilePicker() = default;
  // A chosen directory, or nullopt when the user cancelled. CP932.
  virtual std::optional<std::string> PickFolder(const std::string& title, const std::string& start) = 0;
  // A file to write (save) or to read (open, must exist), starting with
  // defaultName; defaultExt is added to a name typed without one. filter
  // is "name|patterns|name|patterns||" with patterns split by ";".
  virtual std::optional<std::string> PickFile(bool save, const std::string& defaultName, const std::string& defaultExt,
                                              const std::string& filter) {
    (void)save, (void)defaultName, (void)defaultExt, (void)filter;
    return std::nullopt;
  }
};

// Where no dialog can be shown: every pick is cancelled.
class NoFilePicker : public FilePicker {
 public:
  std::optional<std::string> PickFolder(const std::string&, const std::string&) override { return std::nullopt; }
};

// Hands a web address or a file to the desktop ("open").
class Shell {
 public:
  virtual ~Shell() = default;
  virtual bool Open(const std::string& target) = 0;
};

}  // namespace fennel
