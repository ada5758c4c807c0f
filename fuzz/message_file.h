// The private directory of a fuzz process that decodes message files: the
// message file, rewritten for every input, and the directory attachments
// are saved into, emptied after every input. Made under $TMPDIR once per
// process, removed at exit.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "message/decode_leaf.h"
#include "message/display.h"

namespace fuzz {

[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "fuzz: %s\n", what);
  std::abort();
}

class MessageFile {
 public:
  // Call once, from LLVMFuzzerInitialize.
  static void Init() {
    // The notices are Japanese literals of the library: CP932 here as in
    // the GCC build ("ko" is 0x82 0xB1).
    if (std::strncmp(fennel::kHtmlNotice, "\x82\xB1", 2) != 0 ||
        std::strncmp(fennel::kCannotDisplay, "\x82\xB1", 2) != 0)
      Fail("library literals are not CP932");
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/fennel-fuzz-XXXXXX";
    if (!mkdtemp(templ.data())) Fail("cannot make a temporary directory");
    dir() = templ;
    // A received message: its file name begins with "RCV".
    path() = dir() + "/RCV00000.tmp";
    saveDir() = dir() + "/save";
    if (mkdir(saveDir().c_str(), 0700) != 0) Fail("cannot make the save directory");
    std::atexit(RemoveAll);
  }

  static const std::string& Path() { return path(); }
  static const std::string& SaveDir() { return saveDir(); }

  static void Write(std::string_view bytes) {
    int fd = open(path().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) Fail("cannot write the message file");
    size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
      if (n <= 0) Fail("cannot write the message file");
      done += static_cast<size_t>(n);
    }
    close(fd);
  }

  // Removes the saved attachments (plain files only are ever made there).
  // Bounded by the entries the directory has.
  static void EmptySaveDir() {
    DIR* d = opendir(saveDir().c_str());
    if (!d) return;
    while (dirent* e = readdir(d)) {
      if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
      unlinkat(dirfd(d), e->d_name, 0);
    }
    closedir(d);
  }

  // The text view and the HTML page of the message file.
  static void DecodeBothViews() {
    fennel::DecodedMessage text = fennel::DecodeMessageFile(path(), saveDir(), false);
    (void)fennel::TextViewLayout(text.text, text.attachments);
    // DecodeMessageFile with the HTML kept, and the page laid out from it.
    (void)fennel::HtmlPageOfFile(path(), saveDir());
    EmptySaveDir();
  }

 private:
  static std::string& dir() {
    static std::string s;
    return s;
  }
  static std::string& path() {
    static std::string s;
    return s;
  }
  static std::string& saveDir() {
    static std::string s;
    return s;
  }
  static void RemoveAll() {
    EmptySaveDir();
    rmdir(saveDir().c_str());
    unlink(path().c_str());
    rmdir(dir().c_str());
  }
};

}  // namespace fuzz
