#include "platform/fs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "tests/support/temp_dir.h"

namespace fennel {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::set<std::string> Names(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

int ModeOf(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return -1;
  return st.st_mode & 07777;
}

class AtomicFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    target_ = dir_ / "mail.dat";
    WriteFile(target_, "old contents");
    ASSERT_EQ(chmod(target_.c_str(), 0644), 0);
  }
  TempDir dir_;
  std::string target_;
};

TEST_F(AtomicFileTest, CommitReplacesTheOldFile) {
  std::string big(3 * 1024 * 1024 + 17, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  AtomicFile f;
  ASSERT_TRUE(f.Open(target_));
  ASSERT_TRUE(f.Write(big.data(), 1000));
  ASSERT_TRUE(f.Write(big.data() + 1000, big.size() - 1000));
  EXPECT_EQ(ReadFile(target_), "old contents");  // nothing shows before Commit
  ASSERT_TRUE(f.Commit());
  EXPECT_FALSE(f.failed());
  EXPECT_EQ(ReadFile(target_), big);
  EXPECT_EQ(ModeOf(target_), 0600);
  EXPECT_EQ(Names(dir_.path()), std::set<std::string>{"mail.dat"});
}

TEST_F(AtomicFileTest, ModeIsTheOneAskedFor) {
  const mode_t old = umask(077);
  for (int mode : {0600, 0644}) {
    SCOPED_TRACE(mode);
    EXPECT_TRUE(WriteFileAtomic(target_, "x", mode));
    EXPECT_EQ(ModeOf(target_), mode);
  }
  umask(old);
}

TEST_F(AtomicFileTest, WithoutCommitTheOldFileStays) {
  for (bool discard : {true, false}) {
    SCOPED_TRACE(discard ? "Discard" : "destructor");
    {
      AtomicFile f;
      ASSERT_TRUE(f.Open(target_));
      ASSERT_TRUE(f.Write("new", 3));
      if (discard) {
        f.Discard();
        EXPECT_FALSE(f.Commit());
      }
    }
    EXPECT_EQ(ReadFile(target_), "old contents");
    EXPECT_EQ(Names(dir_.path()), std::set<std::string>{"mail.dat"});
  }
}

TEST_F(AtomicFileTest, FailedRenameLeavesNoTemporaryFile) {
  const std::string subdir = dir_ / "folder";
  ASSERT_TRUE(MakeDir(subdir));
  WriteFile(subdir + "/inside", "keep");
  AtomicFile f;
  ASSERT_TRUE(f.Open(subdir));
  ASSERT_TRUE(f.Write("x", 1));
  EXPECT_FALSE(f.Commit());
  EXPECT_TRUE(f.failed());
  EXPECT_TRUE(DirExists(subdir));
  EXPECT_EQ(ReadFile(subdir + "/inside"), "keep");
  EXPECT_EQ(Names(dir_.path()), (std::set<std::string>{"folder", "mail.dat"}));
}

TEST_F(AtomicFileTest, MissingDirectoryFailsAndLeavesNothing) {
  const std::string missing = dir_ / "no/such";
  EXPECT_FALSE(WriteFileAtomic(missing + "/file", "x"));
  AtomicFile f;
  EXPECT_FALSE(f.Open(missing + "/file"));
  EXPECT_TRUE(f.failed());
  EXPECT_FALSE(f.Write("x", 1));
  EXPECT_FALSE(f.Commit());
  EXPECT_FALSE(DirExists(dir_ / "no"));
  EXPECT_EQ(Names(dir_.path()), std::set<std::string>{"mail.dat"});
}

TEST(FsTest, SamePath) {
  TempDir dir;
  ASSERT_TRUE(MakeDir(dir / "real"));
  ASSERT_TRUE(MakeDir(dir / "other"));
  ASSERT_EQ(symlink((dir / "real").c_str(), (dir / "link").c_str()), 0);
  struct {
    std::string a, b;
    bool same;
  } cases[] = {
      {dir / "real", dir / "link", true},
      {dir / "real", dir / "real/", true},
      {dir / "link/", dir / "real", true},
      {dir / "real", dir / "other/../real", true},
      {dir / "real", dir / "other", false},
      {dir / "gone/", dir / "gone", true},  // neither exists: compared as written
      {dir / "gone", dir / "real", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.a + " vs " + c.b);
    EXPECT_EQ(SamePath(c.a, c.b), c.same);
  }
}

TEST(FsTest, RemoveFile) {
  TempDir dir;
  WriteFile(dir / "f", "x");
  EXPECT_TRUE(RemoveFile(dir / "f"));
  EXPECT_FALSE(FileExists(dir / "f"));
  EXPECT_TRUE(RemoveFile(dir / "f"));  // already gone
  ASSERT_TRUE(MakeDir(dir / "d"));
  EXPECT_FALSE(RemoveFile(dir / "d"));  // a directory is not a file
  EXPECT_TRUE(DirExists(dir / "d"));
}

TEST(FsTest, MakeDirs) {
  TempDir dir;
  EXPECT_TRUE(MakeDirs(dir / "a/b/c"));
  EXPECT_TRUE(DirExists(dir / "a/b/c"));
  EXPECT_TRUE(MakeDirs(dir / "a/b/c"));  // already there
  EXPECT_TRUE(MakeDirs(dir / "x/y/"));
  EXPECT_TRUE(DirExists(dir / "x/y"));
  EXPECT_FALSE(MakeDirs(""));

  WriteFile(dir / "plain", "x");
  EXPECT_FALSE(MakeDirs(dir / "plain"));
  EXPECT_FALSE(MakeDirs(dir / "plain/sub"));
  EXPECT_TRUE(FileExists(dir / "plain"));
}

TEST(FsTest, JapaneseNamesAreUtf8OnDisk) {
  TempDir dir;
  const std::string name = "受信箱";  // CP932 inside the program
  EXPECT_TRUE(MakeDirs(JoinPath(dir.path(), name) + "/" + "①"));
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() + "/" + "\xE5\x8F\x97\xE4\xBF\xA1\xE7\xAE\xB1/\xE2\x91\xA0"));
  const std::string file = JoinPath(dir.path(), name) + "/mail.dat";
  ASSERT_TRUE(WriteFileAtomic(file, "body"));
  std::string body;
  ASSERT_TRUE(ReadWholeFile(file, body));
  EXPECT_EQ(body, "body");
  EXPECT_TRUE(FileExists(file));
  EXPECT_TRUE(RemoveFile(file));
  EXPECT_FALSE(FileExists(file));
}

}  // namespace
}  // namespace fennel

namespace fennel {
namespace {

TEST(FsTest, FileNameOfPath) {
  struct Case {
    const char* path;
    const char* name;
  };
  for (const Case& c : {Case{"/home/taro/写真.jpg", "写真.jpg"}, Case{"C:\\mail\\a.txt", "a.txt"},
                        Case{"/tmp/表.txt", "表.txt"},  // 表 ends in the byte of "\"
                        Case{"plain", "plain"}, Case{"/dir/", ""}})
    EXPECT_EQ(FileNameOfPath(c.path), c.name) << c.path;
}

TEST(FsTest, CopyFileOverReplacesOrLeavesAlone) {
  test::TempDir dir;
  const std::string from = dir / "元.bin";
  const std::string to = dir / "copy.bin";
  std::string bytes(300000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31);
  ASSERT_TRUE(WriteFileAtomic(from, bytes));
  ASSERT_TRUE(WriteFileAtomic(to, "old"));
  ASSERT_TRUE(CopyFileOver(from, to));
  std::string got;
  ASSERT_TRUE(ReadWholeFile(to, got));
  EXPECT_TRUE(got == bytes);
  // A copy that cannot be made leaves the target as it was and no litter.
  ASSERT_TRUE(WriteFileAtomic(to, "old"));
  EXPECT_FALSE(CopyFileOver(dir / "missing.bin", to));
  EXPECT_FALSE(CopyFileOver(dir.path(), to)) << "a directory is no file";
  ASSERT_TRUE(ReadWholeFile(to, got));
  EXPECT_EQ(got, "old");
  // Onto itself: nothing to do.
  EXPECT_TRUE(CopyFileOver(from, from));
  ASSERT_TRUE(ReadWholeFile(from, got));
  EXPECT_TRUE(got == bytes);
  size_t files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) files += e.is_regular_file();
  EXPECT_EQ(files, 2u);
}

}  // namespace
}  // namespace fennel
