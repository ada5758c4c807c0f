// Reply lines of a mail server: received bytes cut at CR LF. The buffer
// holds 20,480 bytes; a line longer than that is handed out in pieces
// marked partial, so a session never waits for a line that cannot fit.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace fennel {

class LineBuffer {
 public:
  static constexpr size_t kCapacity = 20480;

  // Where the next bytes go, and how many fit.
  char* WritePtr() { return data_ + fill_; }
  size_t Room() const { return kCapacity - fill_; }
  void Commit(size_t n) { fill_ += n; }
  // Appends what fits (for tests and fakes); returns how much was taken.
  size_t Append(std::string_view bytes);

  // The next complete line without its CR LF. When the buffer is full and
  // holds no CR LF, its bytes come out as a partial line (a CR at the very
  // end stays, in case its LF is next). False when nothing is complete.
  bool NextLine(std::string& line, bool& partial);
  void Clear() { fill_ = 0; }
  size_t size() const { return fill_; }

 private:
  char data_[kCapacity];
  size_t fill_ = 0;
};

// The tests of a reply line.
// POP3: "+OK" in any letter case begins a positive reply.
bool IsPositive(std::string_view line);
// POP3: the line "." alone ends a multi-line reply.
inline bool IsTerminator(std::string_view line) { return line == "."; }
// SMTP: the first digit of the reply code.
int ReplyClass(std::string_view line);
// SMTP: "250-..." is a line of a multi-line reply other than its last.
inline bool IsContinuation(std::string_view line) { return line.size() >= 4 && line[3] == '-'; }

}  // namespace fennel
