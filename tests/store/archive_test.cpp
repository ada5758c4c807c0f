#include "store/archive.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "store/list_info.h"

namespace fennel {
namespace {

std::string Store(const std::function<void(CArchive&)>& write) {
  StringSink sink;
  CArchive ar(sink);
  write(ar);
  ar.Flush();
  return sink.bytes;
}

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

ArchiveErrorCode LoadError(const std::string& bytes, const std::function<void(CArchive&)>& read) {
  StringSource src(bytes);
  CArchive ar(src);
  try {
    read(ar);
  } catch (const ArchiveError& e) {
    return e.code();
  }
  ADD_FAILURE() << "the load did not fail";
  return ArchiveErrorCode::WriteFailed;
}

struct StringCase {
  size_t length;
  std::string prefix;
};

TEST(ArchiveStringTest, LengthPrefixFormsAndRoundTrip) {
  const StringCase cases[] = {
      {0, Bytes({0x00})},
      {1, Bytes({0x01})},
      {254, Bytes({0xFE})},
      {255, Bytes({0xFF, 0xFF, 0x00})},
      {65533, Bytes({0xFF, 0xFD, 0xFF})},
      {65534, Bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00})},
      {70000, Bytes({0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00})},
  };
  for (const StringCase& c : cases) {
    std::string value(c.length, 'a');
    for (size_t i = 0; i < value.size(); i += 7) value[i] = static_cast<char>(0x80 + i % 100);  // any bytes
    std::string bytes = Store([&](CArchive& ar) { ar.WriteString(value); });
    ASSERT_EQ(bytes.size(), c.prefix.size() + c.length) << c.length;
    EXPECT_EQ(bytes.substr(0, c.prefix.size()), c.prefix) << c.length;
    StringSource src(bytes);
    CArchive in(src);
    EXPECT_EQ(in.ReadString(), value) << c.length;
  }
}

TEST(ArchiveStringTest, ReadsTheWideForm) {
  // 0xFF 0xFEFF marks two-byte characters: "日本" in UTF-16LE.
  std::string bytes = Bytes({0xFF, 0xFE, 0xFF, 0x02, 0xE5, 0x65, 0x2C, 0x67, 0x01, 'x'});
  StringSource src(bytes);
  CArchive ar(src);
  EXPECT_EQ(ar.ReadString(), "日本");
  EXPECT_EQ(ar.ReadString(), "x");
}

TEST(ArchiveTest, PrimitivesAreLittleEndian) {
  std::string bytes = Store([](CArchive& ar) {
    ar.WriteU8(0x12);
    ar.WriteU16(0x3456);
    ar.WriteU32(0x789ABCDE);
    ar.WriteTime(0x01020304);
  });
  EXPECT_EQ(bytes, Bytes({0x12, 0x56, 0x34, 0xDE, 0xBC, 0x9A, 0x78, 0x04, 0x03, 0x02, 0x01}));
}

TEST(ArchiveTest, CountForms) {
  EXPECT_EQ(Store([](CArchive& ar) { ar.WriteCount(0); }), Bytes({0x00, 0x00}));
  EXPECT_EQ(Store([](CArchive& ar) { ar.WriteCount(0xFFFE); }), Bytes({0xFE, 0xFF}));
  EXPECT_EQ(Store([](CArchive& ar) { ar.WriteCount(0xFFFF); }), Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));
  std::string big = Store([](CArchive& ar) { ar.WriteCount(0x12345); });
  StringSource src(big);
  CArchive ar(src);
  EXPECT_EQ(ar.ReadCount(), 0x12345u);
}

// The first element of a class is tagged with its class name; the class
// takes the next map index and the element the one after it.
TEST(ArchiveObjectTest, ClassAndObjectIndicesShareOneCounter) {
  CAddressDetail a1, a2;
  CFolderDetail f;
  std::string bytes = Store([&](CArchive& ar) {
    ar.WriteObject(&a1);  // class 1, object 2
    ar.WriteObject(&a2);  // object 3
    ar.WriteObject(&f);   // class 4, object 5
    ar.WriteObject(&f);   // already written: index 5
    ar.WriteObject(nullptr);
  });
  const std::string name = "CAddressDetail";
  std::string expect = Bytes({0xFF, 0xFF, 0x00, 0x00, static_cast<int>(name.size()), 0x00}) + name;
  size_t addressSize = Store([&](CArchive& ar) { a1.Serialize(ar); }).size();
  ASSERT_EQ(bytes.substr(0, expect.size()), expect);
  size_t pos = expect.size() + addressSize;
  EXPECT_EQ(bytes.substr(pos, 2), Bytes({0x01, 0x80}));  // 0x8001: class index 1
  pos += 2 + addressSize;
  const std::string folder = "CFolderDetail";
  EXPECT_EQ(bytes.substr(pos, 6 + folder.size()), Bytes({0xFF, 0xFF, 0x00, 0x00, 13, 0x00}) + folder);
  size_t folderSize = Store([&](CArchive& ar) { f.Serialize(ar); }).size();
  pos += 6 + folder.size() + folderSize;
  EXPECT_EQ(bytes.substr(pos), Bytes({0x05, 0x00, 0x00, 0x00}));

  StringSource src(bytes);
  CArchive in(src);
  CObject* r1 = in.ReadObject();
  CObject* r2 = in.ReadObject();
  CObject* r3 = in.ReadObject();
  CObject* r4 = in.ReadObject();
  EXPECT_EQ(in.ReadObject(), nullptr);
  EXPECT_NE(dynamic_cast<CAddressDetail*>(r1), nullptr);
  EXPECT_NE(dynamic_cast<CAddressDetail*>(r2), nullptr);
  EXPECT_NE(r1, r2);
  EXPECT_NE(dynamic_cast<CFolderDetail*>(r3), nullptr);
  EXPECT_EQ(r3, r4);  // the same object, not a copy
}

// Past 0x7FFE map entries, class and object tags take the long forms.
TEST(ArchiveObjectTest, LongTagForms) {
  std::vector<std::unique_ptr<CCommonDetail>> many;
  for (int i = 0; i < 0x7FFF; ++i) many.push_back(std::make_unique<CCommonDetail>());
  CAddressDetail a1, a2;
  std::string bytes = Store([&](CArchive& ar) {
    for (auto& c : many) ar.WriteObject(c.get());  // class 1, objects 2..0x8000
    ar.WriteObject(&a1);                            // class 0x8001, object 0x8002
    ar.WriteObject(&a2);                            // long class tag
    ar.WriteObject(&a1);                            // long object index
  });
  size_t addressSize = Store([&](CArchive& ar) { a1.Serialize(ar); }).size();
  std::string tail = bytes.substr(bytes.size() - (6 + addressSize + 6));
  EXPECT_EQ(tail.substr(0, 6), Bytes({0xFF, 0x7F, 0x01, 0x80, 0x00, 0x80}));
  EXPECT_EQ(tail.substr(6 + addressSize), Bytes({0xFF, 0x7F, 0x02, 0x80, 0x00, 0x00}));

  StringSource src(bytes);
  CArchive in(src);
  for (int i = 0; i < 0x7FFF; ++i) ASSERT_NE(dynamic_cast<CCommonDetail*>(in.ReadObject()), nullptr);
  CObject* r1 = in.ReadObject();
  CObject* r2 = in.ReadObject();
  EXPECT_NE(dynamic_cast<CAddressDetail*>(r2), nullptr);
  EXPECT_EQ(in.ReadObject(), r1);
}

TEST(ArchiveObjectTest, ReaderErrors) {
  auto readObject = [](CArchive& ar) { ar.ReadObject(); };
  const std::string address = "CAddressDetail";
  struct Case {
    const char* what;
    std::string bytes;
    ArchiveErrorCode code;
  };
  const Case cases[] = {
      {"empty stream", "", ArchiveErrorCode::EndOfFile},
      {"half a tag", Bytes({0xFF}), ArchiveErrorCode::EndOfFile},
      {"object index not in the map", Bytes({0x05, 0x00}), ArchiveErrorCode::BadIndex},
      {"class index not in the map", Bytes({0x03, 0x80}), ArchiveErrorCode::BadIndex},
      {"long object index not in the map", Bytes({0xFF, 0x7F, 0x00, 0x90, 0x00, 0x00}), ArchiveErrorCode::BadIndex},
      {"unregistered class", Bytes({0xFF, 0xFF, 0x00, 0x00, 0x04, 0x00}) + "CFoo", ArchiveErrorCode::BadClass},
      {"class name of 64 bytes", Bytes({0xFF, 0xFF, 0x00, 0x00, 64, 0x00}) + std::string(64, 'C'),
       ArchiveErrorCode::BadClass},
      {"class name cut short", Bytes({0xFF, 0xFF, 0x00, 0x00, 14, 0x00}) + "CAddress", ArchiveErrorCode::BadClass},
      {"case differs", Bytes({0xFF, 0xFF, 0x00, 0x00, 14, 0x00}) + "caddressdetail", ArchiveErrorCode::BadClass},
      {"schema 1", Bytes({0xFF, 0xFF, 0x01, 0x00, 14, 0x00}) + address, ArchiveErrorCode::BadSchema},
      {"object fields cut short", Bytes({0xFF, 0xFF, 0x00, 0x00, 14, 0x00}) + address + Bytes({0x03, 'a'}),
       ArchiveErrorCode::EndOfFile},
  };
  for (const Case& c : cases) EXPECT_EQ(LoadError(c.bytes, readObject), c.code) << c.what;

  // A class index that names an object, not a class.
  CAddressDetail a;
  std::string one = Store([&](CArchive& ar) { ar.WriteObject(&a); });
  EXPECT_EQ(LoadError(one + Bytes({0x02, 0x80}),
                      [](CArchive& ar) {
                        ar.ReadObject();
                        ar.ReadObject();
                      }),
            ArchiveErrorCode::BadIndex);
}

TEST(ArchiveListTest, EmptyListIsTwoZeroBytes) {
  std::vector<std::unique_ptr<CMailDetail>> none;
  EXPECT_EQ(Store([&](CArchive& ar) { ar.IoList(none); }), Bytes({0x00, 0x00}));
}

TEST(ArchiveListTest, DamagedListsFailInsteadOfBeingMisread) {
  CAddressDetail a;
  std::string address = Store([&](CArchive& ar) { ar.WriteObject(&a); });
  auto readFolders = [](CArchive& ar) {
    std::vector<std::unique_ptr<CFolderDetail>> folders;
    ar.IoList(folders);
  };
  // An address where a folder belongs.
  EXPECT_EQ(LoadError(Bytes({0x01, 0x00}) + address, readFolders), ArchiveErrorCode::BadClass);
  // The same record listed twice cannot be owned by the list twice.
  auto readAddresses = [](CArchive& ar) {
    std::vector<std::unique_ptr<CAddressDetail>> list;
    ar.IoList(list);
  };
  EXPECT_EQ(LoadError(Bytes({0x02, 0x00}) + address + Bytes({0x02, 0x00}), readAddresses),
            ArchiveErrorCode::BadIndex);
  // A count larger than what follows.
  EXPECT_EQ(LoadError(Bytes({0x02, 0x00}) + address, readAddresses), ArchiveErrorCode::EndOfFile);
}

TEST(ArchiveListTest, EmptySlotsAreSkipped) {
  CCommonDetail c;
  c.s[0] = "one";
  std::string bytes = Bytes({0x02, 0x00, 0x00, 0x00}) + Store([&](CArchive& ar) { ar.WriteObject(&c); });
  StringSource src(bytes);
  CArchive ar(src);
  std::vector<std::unique_ptr<CCommonDetail>> list;
  ar.IoList(list);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0]->s[0], "one");
}

TEST(MailDetailTest, ReceivedMailNeverStoresItsBody) {
  for (const auto& [path, kept] : std::vector<std::pair<std::string, bool>>{
           {"/mail/RCVabcde.tmp", false}, {"/mail/SNDabcde.tmp", true}, {"/mail/x/RCVabcde.tmp", false},
           {"/RCV/SNDabcde.tmp", true}}) {
    CMailDetail m;
    m.filePath = path;
    m.bodyText = "本文";
    std::string bytes = Store([&](CArchive& ar) { m.Serialize(ar); });
    StringSource src(bytes);
    CArchive in(src);
    CMailDetail back;
    back.Serialize(in);
    EXPECT_EQ(back.bodyText, kept ? "本文" : "") << path;
  }
}

}  // namespace
}  // namespace fennel
