#include "message/base64.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace fennel {
namespace {

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

std::string RandomBytes(size_t n, uint32_t seed) {
  std::string s(n, '\0');
  for (char& c : s) {
    seed = seed * 1664525 + 1013904223;
    c = static_cast<char>(seed >> 24);
  }
  return s;
}

// Breaks text into lines of 76 characters ending in CR LF, as a mail body.
std::string MailLines(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); i += 76) out += text.substr(i, 76) + "\r\n";
  return out;
}

// The decoded bytes of in, fed as one call, or in slices of the given size;
// through Decode (with room to spare) or through DecodeAppend.
std::string DecodeSliced(const std::string& in, size_t slice, bool append) {
  Base64Decoder d;
  std::string out;
  size_t i = 0;
  do {
    std::string part = in.substr(i, slice);
    if (append) {
      d.DecodeAppend(part, out);
    } else {
      std::vector<char> buf(part.size() + 4);
      int n = d.Decode(part.data(), part.size(), buf.data(), buf.size());
      EXPECT_GE(n, 0);
      if (n > 0) out.append(buf.data(), static_cast<size_t>(n));
    }
    i += slice;
  } while (i < in.size());
  return out;
}

std::string DecodeWhole(const std::string& in) { return DecodeSliced(in, in.size() + 1, false); }

TEST(Base64EncodeTest, Table) {
  struct Case {
    std::string bytes, text;
  };
  const Case cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {Bytes({0, 0, 0}), "AAAA"},
      {Bytes({0xFB, 0xFF, 0xBF}), "+/+/"},
      {Bytes({0xFF}), "/w=="},
      {Bytes({0xFF, 0xFF}), "//8="},
      {"日本", "k/qWew=="},  // CP932 93 FA 96 7B
  };
  for (const Case& c : cases) EXPECT_EQ(Base64Encode(c.bytes), c.text) << c.text;
}

TEST(Base64DecoderTest, Table) {
  struct Case {
    std::string text;
    std::string whole;     // one call
    std::string bytewise;  // one byte per call
  };
  const Case cases[] = {
      {"", "", ""},
      {"Zm9vYmFy", "foobar", "foobar"},
      {"+/+/", Bytes({0xFB, 0xFF, 0xBF}), Bytes({0xFB, 0xFF, 0xBF})},
      {"k/qWew==", "日本", "日本"},
      // Line ends, blanks and junk (CP932 text among them) are skipped, and
      // a group may straddle them.
      {"Zm9v\r\nYmFy\r\n", "foobar", "foobar"},
      {"Zm\r\n9vYm\nFy", "foobar", "foobar"},
      {" Z m\t9 v ", "foo", "foo"},
      {"Zm9v!*YmFy~", "foobar", "foobar"},
      {"Z\x82\xA0m9v", "foo", "foo"},
      // An incomplete group at the end gives nothing.
      {"Zm9vYm", "foo", "foo"},
      {"Zm9vYmF", "foo", "foo"},
      // A pad ends its group and the rest of that call's input; the next call
      // starts afresh.
      {"Zg==", "f", "f"},
      {"Zm8=", "fo", "fo"},
      {"Zm9=", "fo", "fo"},
      {"Zm=v", "f", "f"},
      {"Zg==Zm9v", "f", "ffoo"},
      {"Zm8=\r\nYmFy", "fo", "fobar"},
      {"Zg=\r\n=Zm9v", "f", "ffoo"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(DecodeSliced(c.text, c.text.size() + 1, false), c.whole);
    EXPECT_EQ(DecodeSliced(c.text, c.text.size() + 1, true), c.whole);
    EXPECT_EQ(DecodeSliced(c.text, 1, false), c.bytewise);
    EXPECT_EQ(DecodeSliced(c.text, 1, true), c.bytewise);
  }
}

// Long inputs run the whole-group path; every length near the group and
// line boundaries, fed whole, in mail lines, and byte by byte.
TEST(Base64DecoderTest, RoundTripsEveryLength) {
  for (size_t n = 0; n <= 400; ++n) {
    SCOPED_TRACE(n);
    const std::string data = RandomBytes(n, static_cast<uint32_t>(n));
    const std::string text = Base64Encode(data);
    ASSERT_EQ(text.size(), (n + 2) / 3 * 4);
    const std::string mail = MailLines(text);
    ASSERT_EQ(DecodeWhole(text), data);
    ASSERT_EQ(DecodeWhole(mail), data);
    ASSERT_EQ(DecodeSliced(mail, 77, false), data);
    ASSERT_EQ(DecodeSliced(mail, 1, false), data);
    ASSERT_EQ(DecodeSliced(mail, 5, true), data);
  }
}

TEST(Base64DecoderTest, GroupWaitsForTheNextCall) {
  Base64Decoder d;
  char out[16];
  EXPECT_EQ(d.Decode("Zm9vY", 5, out, sizeof out), 3);
  EXPECT_EQ(std::string(out, 3), "foo");
  EXPECT_EQ(d.Decode("mF", 2, out, sizeof out), 0);
  EXPECT_EQ(d.Decode("y", 1, out, sizeof out), 3);
  EXPECT_EQ(std::string(out, 3), "bar");

  // Reset drops a pending group.
  EXPECT_EQ(d.Decode("Zm", 2, out, sizeof out), 0);
  d.Reset();
  EXPECT_EQ(d.Decode("9vYmFy", 6, out, sizeof out), 3);
  EXPECT_EQ(std::string(out, 3), DecodeWhole("9vYm"));
  d.Reset();
  std::string appended = "x";
  d.DecodeAppend("Zm9vYg", appended);
  d.DecodeAppend("==", appended);
  EXPECT_EQ(appended, "xfoob");
}

TEST(Base64DecoderTest, FullOutput) {
  struct Case {
    std::string text;
    size_t capacity;
    int result;
    std::string written;  // the bytes in out, whatever the result
  };
  const std::string data = RandomBytes(300, 7);
  const std::string text = Base64Encode(data);
  const Case cases[] = {
      {"Zm9vYmFy", 6, 6, "foobar"},
      {"Zm9vYmFy", 5, -1, "fooba"},
      {"Zm9vYmFy", 3, -1, "foo"},
      {"Zm9v", 0, -1, ""},
      {"Zm9", 0, 0, ""},   // no byte was due
      {"   ", 0, 0, ""},
      {"Zg==", 1, 1, "f"},
      {"Zm8=", 1, -1, "f"},
      {text, 300, 300, data},
      {text, 299, -1, data.substr(0, 299)},
      {text, 298, -1, data.substr(0, 298)},
      {text, 297, -1, data.substr(0, 297)},
      {MailLines(text), 296, -1, data.substr(0, 296)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.text.substr(0, 12) << " capacity " << c.capacity);
    std::string buf(c.capacity + 8, '#');
    Base64Decoder d;
    EXPECT_EQ(d.Decode(c.text.data(), c.text.size(), buf.data(), c.capacity), c.result);
    EXPECT_EQ(buf.substr(0, c.written.size()), c.written);
    EXPECT_EQ(buf.substr(c.capacity), std::string(8, '#')) << "wrote past the capacity";
  }
}

TEST(Base64DecoderTest, CapacityCountsPerCall) {
  Base64Decoder d;
  char out[3];
  EXPECT_EQ(d.Decode("Zm9v", 4, out, sizeof out), 3);
  EXPECT_EQ(d.Decode("YmFy", 4, out, sizeof out), 3);
  EXPECT_EQ(std::string(out, 3), "bar");
}

}  // namespace
}  // namespace fennel
