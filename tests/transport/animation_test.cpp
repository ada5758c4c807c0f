// The transfer animation window.
#include "transport/animation.h"

#include <gtest/gtest.h>

#include "tests/support/scripted_prompter.h"

namespace fennel {
namespace {

class RecordingView : public AnimationView {
 public:
  void Open(int mode) override { opened.push_back(mode); }
  void ShowFrame(int frame) override { frames.push_back(frame); }
  void Close() override { ++closes; }
  std::vector<int> opened;
  std::vector<int> frames;
  int closes = 0;
};

class AnimationTest : public testing::Test {
 protected:
  ManualClock clock;
  ManualEventLoop loop{clock};
  test::ScriptedPrompter prompter;
  RecordingView view;
  AnimationWindow window{loop, prompter, &view};
};

TEST_F(AnimationTest, ReceiveModeCyclesFramesThirtyOneToSixtyOne) {
  window.Show(AnimationWindow::kReceive, 0, "");
  EXPECT_EQ(view.opened, std::vector<int>{AnimationWindow::kReceive});
  loop.Advance(AnimationWindow::kFrameMs - 1);
  EXPECT_EQ(view.frames, std::vector<int>{31});
  loop.Advance(1 + 31 * AnimationWindow::kFrameMs);  // a whole cycle and one frame more
  std::vector<int> expected;
  for (int f = 31; f <= 61; ++f) expected.push_back(f);
  expected.push_back(31);
  expected.push_back(32);
  EXPECT_EQ(view.frames, expected);
  EXPECT_TRUE(window.isOpen()) << "without a count it runs until closed";
  EXPECT_TRUE(prompter.shown.empty());
  window.Close();
  EXPECT_EQ(view.closes, 1);
  EXPECT_FALSE(loop.HasTimer());
}

TEST_F(AnimationTest, SendModeUsesFramesZeroToThirty) {
  window.Show(AnimationWindow::kSend, 3, "ignored");
  loop.Advance(31 * AnimationWindow::kFrameMs * 4);
  EXPECT_EQ(*std::max_element(view.frames.begin(), view.frames.end()), 30);
  EXPECT_EQ(*std::min_element(view.frames.begin(), view.frames.end()), 0);
  EXPECT_TRUE(window.isOpen());
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(AnimationTest, CountedCyclesThenTheAnnouncement) {
  window.Show(AnimationWindow::kReceive, 2, "notice\n");
  loop.Advance(61 * AnimationWindow::kFrameMs);
  EXPECT_TRUE(window.isOpen());
  EXPECT_TRUE(prompter.shown.empty());
  loop.Advance(AnimationWindow::kFrameMs);  // the second cycle completes
  EXPECT_FALSE(window.isOpen());
  EXPECT_EQ(view.closes, 1);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, "あなたにメッセージが2通届いています。\n\nnotice\n");
  EXPECT_EQ(prompter.shown[0].icon, MbIcon::Information);
  loop.Advance(100 * AnimationWindow::kFrameMs);
  EXPECT_EQ(prompter.shown.size(), 1u);
}

TEST_F(AnimationTest, ShowDoesNothingWhenOpenOrDisabled) {
  window.Show(AnimationWindow::kReceive, 1, "first\n");
  loop.Advance(10 * AnimationWindow::kFrameMs);
  window.Show(AnimationWindow::kSend, 5, "second\n");
  EXPECT_EQ(view.opened.size(), 1u);
  EXPECT_EQ(window.frame(), 41);
  loop.Advance(21 * AnimationWindow::kFrameMs);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, "あなたにメッセージが１通届いています。\n\nfirst\n");

  window.Show(AnimationWindow::kReceive, 1, "x", /*enabled=*/false);
  EXPECT_FALSE(window.isOpen());
  EXPECT_FALSE(loop.HasTimer());
  EXPECT_EQ(view.opened.size(), 1u);
}

}  // namespace
}  // namespace fennel
