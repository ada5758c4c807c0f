// A second start of the windowed program hands its argument to the running
// instance and ends without a logon dialog.
#include <gtest/gtest.h>
#include <poll.h>

#include "config/mail_app.h"
#include "platform/fs.h"
#include "tests/support/process.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/temp_dir.h"

namespace fennel {
namespace {

TEST(SingleInstanceProcessTest, SecondProcessHandsOverAndExits) {
  test::TempEnvironment env;
  Profile profile(JoinPath(env.profileDir(), "Fennel.ini"));
  test::ScriptedPrompter prompter;
  CMailApp first({profile, prompter, env.home()});
  ASSERT_EQ(first.Start("", env.profileDir()), CMailApp::StartResult::Owner);
  int fd = first.PublishMainWindow();
  ASSERT_GE(fd, 0);

  auto r = test::RunProcess(FENNEL_GUI_PATH, {"--no-splash", "/tmp/letter.eml"}, "",
                            {{"QT_QPA_PLATFORM", "offscreen"}}, 15000);
  EXPECT_EQ(r.exitCode, 0) << r.err;

  pollfd p{fd, POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 5000), 1) << "no message arrived";
  EXPECT_EQ(first.TakeOpenParameterMessages(), 1);
  EXPECT_TRUE(first.HandOff());
  EXPECT_EQ(first.commandLineParameter, "/tmp/letter.eml");
  first.ExitInstance();

  // With the first gone, a start owns the guard again (checked here without
  // a window: the guard alone).
  CMailApp next({profile, prompter, env.home()});
  EXPECT_EQ(next.AcquireGuard(env.profileDir()), SingleInstanceGuard::Result::Owner);
}

}  // namespace
}  // namespace fennel
