// Names of new message files.
#include "store/store_file_name.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>

#include "platform/clock.h"
#include "platform/fs.h"
#include "tests/support/temp_dir.h"

namespace fennel {
namespace {

using test::TempDir;
using test::WriteFile;

// The names the C runtime's generator gives after srand(seed), in order.
class ExpectedNames {
 public:
  explicit ExpectedNames(uint32_t seed) : state_(seed) {}
  std::string Next(const std::string& prefix) {
    std::string name = prefix;
    for (int i = 0; i < 5; ++i) {
      state_ = state_ * 214013u + 2531011u;
      name.push_back(static_cast<char>('a' + ((state_ >> 16) & 0x7FFF) % 26));
    }
    return name + ".tmp";
  }

 private:
  uint32_t state_;
};

class StoreFileNameTest : public ::testing::Test {
 protected:
  StoreFileNameTest() { SetCurrentClock(&clock_); }
  ~StoreFileNameTest() override { SetCurrentClock(nullptr); }

  // Sets the clock so that the next name is the first one after it moved.
  void MoveClockTo(int64_t now) {
    clock_.SetNow(now - 1);
    MakeStoreFileName(dir_.path(), "SND");
    clock_.SetNow(now);
  }

  ManualClock clock_;
  TempDir dir_;
};

TEST_F(StoreFileNameTest, ShapeAndNoRepeatWhileTheClockStands) {
  clock_.SetNow(1'650'000'000);
  std::set<std::string> seen;
  for (int i = 0; i < 50; ++i) {
    const std::string name = MakeStoreFileName(dir_.path(), i % 2 ? "RCV" : "SND");
    ASSERT_EQ(name.size(), 12u) << name;
    EXPECT_EQ(name.substr(0, 3), i % 2 ? "RCV" : "SND");
    for (size_t k = 3; k < 8; ++k) EXPECT_TRUE(name[k] >= 'a' && name[k] <= 'z') << name;
    EXPECT_EQ(name.substr(8), ".tmp");
    EXPECT_TRUE(seen.insert(name.substr(3)).second) << name;
  }
}

TEST_F(StoreFileNameTest, FirstNameAfterTheClockMovedFollowsTheGenerator) {
  for (uint32_t seed : {1'650'000'101u, 1'650'000'102u, 2'000'000'000u}) {
    MoveClockTo(seed);
    ExpectedNames expected(seed);
    EXPECT_EQ(MakeStoreFileName(dir_.path(), "RCV"), expected.Next("RCV")) << seed;
    EXPECT_EQ(MakeStoreFileName(dir_.path(), "SND"), expected.Next("SND")) << seed;
  }
}

// Names taken in the directory are passed over, whatever is there.
TEST_F(StoreFileNameTest, TakenNamesAreNeverReturned) {
  const uint32_t seed = 1'650'000'200;
  ExpectedNames expected(seed);
  const std::string first = expected.Next("RCV");
  const std::string second = expected.Next("RCV");
  const std::string third = expected.Next("RCV");
  const std::string fourth = expected.Next("RCV");
  WriteFile(dir_ / first, "taken");
  WriteFile(dir_ / second, "");
  std::filesystem::create_directory(dir_ / third);
  MoveClockTo(seed);
  EXPECT_EQ(MakeStoreFileName(dir_.path(), "RCV"), fourth);
  EXPECT_EQ(test::ReadFile(dir_ / first), "taken");
}

TEST_F(StoreFileNameTest, JapaneseDirectory) {
  const std::string dir = dir_ / "メール";
  ASSERT_TRUE(MakeDir(dir));
  const uint32_t seed = 1'650'000'300;
  ExpectedNames expected(seed);
  const std::string first = expected.Next("SND");
  WriteFile(ToFsPath(dir + "/" + first), "taken");
  MoveClockTo(seed);
  EXPECT_EQ(MakeStoreFileName(dir, "SND"), expected.Next("SND"));
}

// Two processes started in the same second draw the same names: the file
// is created as the name is made, exclusively, so the second one never
// gets a name the first one has (and the first one's message is never
// replaced).
TEST_F(StoreFileNameTest, SameSecondInAnotherProcessGetsOtherNames) {
  MoveClockTo(1'700'000'000);
  const std::string first = MakeStoreFileName(dir_.path(), "RCV");
  ASSERT_FALSE(first.empty());
  EXPECT_TRUE(std::filesystem::exists(dir_ / first)) << "made, not only named";
  EXPECT_EQ(std::filesystem::file_size(dir_ / first), 0u);
  MoveClockTo(1'700'000'000);  // the other process: the same seed
  const std::string second = MakeStoreFileName(dir_.path(), "RCV");
  EXPECT_NE(second, first);
  EXPECT_TRUE(MakeStoreFileName(dir_ / "missing", "RCV").empty()) << "no directory, no name";
}

}  // namespace
}  // namespace fennel
