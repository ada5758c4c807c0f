#include "message/header_field.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/fs.h"
#include "tests/support/temp_dir.h"

namespace fennel {
namespace {

using test::TempDir;

// path is CP932, as everywhere in the program.
void WriteMessage(const std::string& path, const std::string& bytes) {
  std::ofstream f(ToFsPath(path), std::ios::binary | std::ios::trunc);
  f << bytes;
}

std::string WithoutCr(std::string s) {
  std::erase(s, '\r');
  return s;
}

const char kMessage[] =
    "Return-Path: <taro@example.jp>\r\n"
    "Subject:   Hello,\r\n"
    "\tworld\r\n"
    "  again\r\n"
    "Message-Id: <1@example.jp>\r\n"
    "X-Empty:\r\n"
    "To-Do: nothing\r\n"
    "To:\thanako@example.jp\r\n"
    "\r\n"
    "  an indented body line\r\n"
    "X-Body-Only: found\r\n"
    "\tcontinued\r\n"
    "Subject: not this one\r\n";

TEST(HeaderFieldTest, FieldsOfCrLfAndLfFiles) {
  struct Case {
    const char* name;
    std::string one;  // ReadHeaderField
    std::string two;  // ReadHeaderFieldLong
  };
  const Case cases[] = {
      {"Subject:", "Hello,\tworld  again", "   Hello,\tworld  again"},
      {"SUBJECT:", "Hello,\tworld  again", "   Hello,\tworld  again"},
      {"Message-ID:", "<1@example.jp>", " <1@example.jp>"},
      {"message-id:", "<1@example.jp>", " <1@example.jp>"},
      {"Return-Path:", "<taro@example.jp>", " <taro@example.jp>"},
      {"X-Empty:", "", ""},
      {"To:", "hanako@example.jp", "\thanako@example.jp"},  // not "To-Do:", and not the body after it
      {"X-Body-Only:", "", " found\tcontinued"},
      {"Cc:", "", ""},
  };
  TempDir dir;
  const std::string crlf = dir / "crlf.tmp";
  const std::string lf = dir / "lf.tmp";
  WriteMessage(crlf, kMessage);
  WriteMessage(lf, WithoutCr(kMessage));
  for (const std::string& path : {crlf, lf}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << path << " " << c.name);
      EXPECT_EQ(ReadHeaderField(path, c.name), c.one);
      EXPECT_EQ(ReadHeaderFieldLong(path, c.name), c.two);
    }
  }
}

TEST(HeaderFieldTest, FileEdges) {
  TempDir dir;
  EXPECT_EQ(ReadHeaderField(dir / "missing.tmp", "Subject:"), "");
  EXPECT_EQ(ReadHeaderFieldLong(dir / "missing.tmp", "Subject:"), "");

  const std::string path = dir / "edge.tmp";
  WriteMessage(path, "");
  EXPECT_EQ(ReadHeaderField(path, "Subject:"), "");

  // The last line may lack its line end, or end in a lone CR.
  WriteMessage(path, "From: a\r\nSubject: last");
  EXPECT_EQ(ReadHeaderField(path, "Subject:"), "last");
  WriteMessage(path, "From: a\r\nSubject: last\r");
  EXPECT_EQ(ReadHeaderField(path, "Subject:"), "last");
  WriteMessage(path, "Subject: a\r\n\tb");
  EXPECT_EQ(ReadHeaderFieldLong(path, "Subject:"), " a\tb");

  // A CR inside a line is text; only the one before the LF goes.
  WriteMessage(path, "Subject: a\rb\r\r\n");
  EXPECT_EQ(ReadHeaderField(path, "Subject:"), "a\rb\r");

  // An empty line first: no header at all for the first variant.
  WriteMessage(path, "\r\nSubject: body\r\n");
  EXPECT_EQ(ReadHeaderField(path, "Subject:"), "");
  EXPECT_EQ(ReadHeaderFieldLong(path, "Subject:"), " body");

  // A blank-only line is a folded line, not the end of the header.
  WriteMessage(path, "Subject: a\r\n \r\nX-After: b\r\n");
  EXPECT_EQ(ReadHeaderField(path, "Subject:"), "a ");
  EXPECT_EQ(ReadHeaderField(path, "X-After:"), "b");
}

TEST(HeaderFieldTest, Cp932PathAndText) {
  TempDir dir;
  const std::string path = dir / "受信メール.tmp";
  WriteMessage(path, "Subject: 会議の件\r\n\t（再送）\r\n");
  EXPECT_EQ(ReadHeaderField(path, "Subject:"), "会議の件\t（再送）");
}

TEST(HeaderFieldTest, LongLinesAreCut) {
  TempDir dir;
  const std::string path = dir / "long.tmp";
  const std::string name = "X-Long: ";
  struct Case {
    std::string line;      // the X-Long line, without its line end
    std::string expected;  // ReadHeaderField of it
  };
  const std::string filler(4098 - name.size(), 'a');
  const Case cases[] = {
      // Exactly at the limit, with or without a CR: kept whole.
      {name + filler, filler},
      // Beyond it: cut, and the rest of the line, even text that looks like
      // a field, is not read as a line of its own.
      {name + filler + "Subject: fake" + std::string(10000, 'b'), filler},
      // A cut never splits a two-byte character.
      {name + filler.substr(1) + "あい", filler.substr(1)},
      {name + filler.substr(2) + "あい", filler.substr(2) + "あ"},
  };
  for (const Case& c : cases) {
    for (const char* eol : {"\r\n", "\n"}) {
      SCOPED_TRACE(testing::Message() << c.line.size() << (eol[0] == '\r' ? " CR LF" : " LF"));
      WriteMessage(path, c.line + eol + "\tfolded" + eol + "Subject: real" + eol + eol + "body" + eol);
      EXPECT_EQ(ReadHeaderField(path, "X-Long:"), c.expected + "\tfolded");
      EXPECT_EQ(ReadHeaderField(path, "Subject:"), "real");
    }
  }

  // The second variant keeps up to 204,800 bytes of a line.
  const std::string big(300000, 'c');
  WriteMessage(path, "X-Big:" + big.substr(0, 204800 - 6) + "\r\nX-Next: n\r\n");
  EXPECT_EQ(ReadHeaderFieldLong(path, "X-Big:"), big.substr(0, 204800 - 6));
  WriteMessage(path, "X-Big:" + big + "\r\nX-Next: n\r\n");
  EXPECT_EQ(ReadHeaderFieldLong(path, "X-Big:"), big.substr(0, 204800 - 6));
  EXPECT_EQ(ReadHeaderFieldLong(path, "X-Next:"), " n");
  EXPECT_EQ(ReadHeaderField(path, "X-Big:"), big.substr(0, 4098 - 6));
}

// The file is read in blocks: a field (and its CR LF) placed across every
// position near a block edge reads the same.
TEST(HeaderFieldTest, LinesAcrossReadBlocks) {
  TempDir dir;
  const std::string path = dir / "blocks.tmp";
  for (size_t pad = 65500; pad <= 65560; ++pad) {
    SCOPED_TRACE(pad);
    WriteMessage(path, std::string(pad, 'p') + "\r\nX-Tag: value\r\n continued\r\nX-Next: n\r\n");
    ASSERT_EQ(ReadHeaderFieldLong(path, "X-Tag:"), " value continued");
    ASSERT_EQ(ReadHeaderFieldLong(path, "X-Next:"), " n");
  }
}

}  // namespace
}  // namespace fennel
