// Reply lines: cutting received bytes at CR LF, the tests of a reply line,
// and the connection error texts.
#include "transport/line_buffer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>

#include "platform/event_loop.h"
#include "tests/support/scripted_prompter.h"
#include "transport/connection.h"

namespace fennel {
namespace {

struct Line {
  std::string text;
  bool partial;
  bool operator==(const Line&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Line& l) {
  return os << '"' << l.text.substr(0, 40) << (l.text.size() > 40 ? "..." : "") << "\" (" << l.text.size()
            << (l.partial ? " bytes, partial)" : " bytes)");
}

// Every line the buffer gives now.
std::vector<Line> Drain(LineBuffer& b) {
  std::vector<Line> out;
  std::string line;
  bool partial = false;
  for (int i = 0; i < 100 && b.NextLine(line, partial); ++i) out.push_back({line, partial});
  return out;
}

TEST(LineBufferTest, LinesComeOutWholeAndInOrderWhateverTheReads) {
  auto b = std::make_unique<LineBuffer>();
  // Two lines in one read.
  b->Append("+OK ready\r\n+OK 2 100\r\n");
  EXPECT_EQ(Drain(*b), (std::vector<Line>{{"+OK ready", false}, {"+OK 2 100", false}}));
  // A line over two reads comes once, when complete.
  b->Append("From: ta");
  EXPECT_TRUE(Drain(*b).empty());
  b->Append("ro\r\nSub");
  EXPECT_EQ(Drain(*b), (std::vector<Line>{{"From: taro", false}}));
  // CR and LF in different reads; an empty line is a line.
  b->Append("ject: x\r");
  EXPECT_TRUE(Drain(*b).empty());
  b->Append("\n\r\n.\r\n");
  EXPECT_EQ(Drain(*b), (std::vector<Line>{{"Subject: x", false}, {"", false}, {".", false}}));
  EXPECT_EQ(b->size(), 0u);
}

TEST(LineBufferTest, OverlongLineComesOutInPartialPieces) {
  auto b = std::make_unique<LineBuffer>();
  const std::string full(LineBuffer::kCapacity, 'x');
  EXPECT_EQ(b->Append(full + "more"), LineBuffer::kCapacity);  // what does not fit waits
  EXPECT_EQ(Drain(*b), (std::vector<Line>{{full, true}}));
  b->Append("yz\r\nnext\r\n");
  EXPECT_EQ(Drain(*b), (std::vector<Line>{{"yz", false}, {"next", false}}));

  // A CR at the very end of a full buffer stays for its LF: the line ends
  // with an empty, complete piece.
  const std::string almost(LineBuffer::kCapacity - 1, 'a');
  b->Append(almost + "\r");
  EXPECT_EQ(Drain(*b), (std::vector<Line>{{almost, true}}));
  EXPECT_EQ(b->size(), 1u);
  b->Append("\nafter\r\n");
  EXPECT_EQ(Drain(*b), (std::vector<Line>{{"", false}, {"after", false}}));

  // A full buffer that holds a CR LF gives whole lines, not pieces.
  const std::string head(100, 'h');
  const std::string tail(LineBuffer::kCapacity - 102, 't');
  b->Append(head + "\r\n" + tail);
  EXPECT_EQ(Drain(*b), (std::vector<Line>{{head, false}}));
  b->Clear();
}

TEST(ReplyLineTest, Pop3PositiveAndTerminator) {
  struct Row {
    const char* line;
    bool positive;
    bool terminator;
  };
  const Row rows[] = {
      {"+OK", true, false},   {"+OK 2 320", true, false}, {"+ok", true, false},   {"+Ok fine", true, false},
      {"+oK", true, false},   {"+OX", false, false},      {"-ERR", false, false}, {"", false, false},
      {"+O", false, false},   {" +OK", false, false},     {"OK", false, false},   {".", false, true},
      {". ", false, false},   {"..", false, false},       {".x", false, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string("line \"") + r.line + "\"");
    EXPECT_EQ(IsPositive(r.line), r.positive);
    EXPECT_EQ(IsTerminator(r.line), r.terminator);
  }
}

TEST(ReplyLineTest, SmtpClassAndContinuation) {
  struct Row {
    const char* line;
    int replyClass;
    bool continuation;
  };
  const Row rows[] = {
      {"250-x", 2, true},  {"250 x", 2, false}, {"250", 2, false},      {"354 go ahead", 3, false},
      {"550-no", 5, true}, {"", 0, false},      {"-ERR", 0, false},     {"x50 y", 0, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string("line \"") + r.line + "\"");
    EXPECT_EQ(ReplyClass(r.line), r.replyClass);
    EXPECT_EQ(IsContinuation(r.line), r.continuation);
  }
}

TEST(ConnectionErrorTest, BoxTexts) {
  EXPECT_EQ(ConnectionErrorText(kErrConnRefused, "pop.example.jp", 110),
            "ｻｰﾊﾞｰpop.example.jpﾎﾟｰﾄ110に接続を試みましたが、リジェクトされました。");
  EXPECT_EQ(ConnectionErrorText(kErrTimedOut, "pop.example.jp", 995),
            "ｻｰﾊﾞｰpop.example.jpﾎﾟｰﾄ995に接続を試みましたが、タイムアウトで接続を確立できませんでした。");
  EXPECT_EQ(ConnectionErrorText(kErrInvalid, "no.such.host", 110),
            "ソケットはまだアドレスno.such.hostにバインドされていません。");
  // No box for these.
  EXPECT_EQ(ConnectionErrorText(kErrIsConn, "pop.example.jp", 110), "");
  EXPECT_EQ(ConnectionErrorText(0, "pop.example.jp", 110), "");
  EXPECT_EQ(ConnectionErrorText(12345, "pop.example.jp", 110), "");
}

TEST(ConnectionErrorTest, SystemErrorsMapToSocketCodes) {
  EXPECT_EQ(SocketErrorOf(ECONNREFUSED), kErrConnRefused);
  EXPECT_EQ(SocketErrorOf(ETIMEDOUT), kErrTimedOut);
  EXPECT_EQ(SocketErrorOf(EHOSTUNREACH), kErrNetUnreach);
  EXPECT_EQ(SocketErrorOf(ENETUNREACH), kErrNetUnreach);
  EXPECT_EQ(SocketErrorOf(EINVAL), kErrInvalid);
  EXPECT_EQ(SocketErrorOf(EPERM), 0);
}

// A port no server can have fails before any packet is sent.
TEST(ConnectionErrorTest, ImpossiblePortShowsTheBoxAndFails) {
  ManualClock clock;
  ManualEventLoop loop(clock);
  test::ScriptedPrompter prompter;
  struct NullSink : LineSink {
    void OnLine(const std::string&, bool) override { ADD_FAILURE() << "no line expected"; }
  } sink;
  Connection c(loop, prompter, sink);
  EXPECT_FALSE(c.Connect("127.0.0.1", 0));
  EXPECT_FALSE(c.connected());
  EXPECT_FALSE(ProbeServer(loop, prompter, "127.0.0.1", 70000));
  ASSERT_EQ(prompter.shown.size(), 2u);
  for (const auto& box : prompter.shown) {
    EXPECT_EQ(box.text, "ソケットはまだアドレス127.0.0.1にバインドされていません。");
    EXPECT_EQ(box.icon, MbIcon::Stop);
  }
  EXPECT_TRUE(loop.watchedFds().empty());
}

}  // namespace
}  // namespace fennel
