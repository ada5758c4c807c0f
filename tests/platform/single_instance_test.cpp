#include "platform/single_instance.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace fennel {
namespace {

using Result = SingleInstanceGuard::Result;
using test::TempDir;
using test::WriteFile;

bool Readable(int fd) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  std::string Dir() const { return dir_ / "profile"; }
  TempDir dir_;
};

TEST_F(SingleInstanceTest, OneOwnerAtATime) {
  {
    SingleInstanceGuard gone;
    ASSERT_EQ(gone.Acquire(Dir()), Result::Owner);  // the destructor lets go
  }
  SingleInstanceGuard first, second;
  EXPECT_EQ(first.Acquire(Dir()), Result::Owner);
  EXPECT_TRUE(first.owner());
  EXPECT_EQ(second.Acquire(Dir()), Result::AlreadyRunning);
  EXPECT_FALSE(second.owner());
  EXPECT_EQ(second.Publish(), -1);

  first.Release();
  EXPECT_FALSE(first.owner());
  EXPECT_EQ(second.Acquire(Dir()), Result::Owner);
  EXPECT_EQ(first.Acquire(Dir()), Result::AlreadyRunning);
}

TEST_F(SingleInstanceTest, SecondInstanceHandsOverOpenParameter) {
  SingleInstanceGuard owner, second;
  ASSERT_EQ(owner.Acquire(Dir()), Result::Owner);
  ASSERT_EQ(second.Acquire(Dir()), Result::AlreadyRunning);
  EXPECT_FALSE(second.PostOpenParameter());  // no window yet

  int fd = owner.Publish();
  ASSERT_GE(fd, 0);
  EXPECT_EQ(owner.Publish(), fd);
  EXPECT_FALSE(Readable(fd));
  EXPECT_EQ(owner.TakeOpenParameterMessages(), 0);

  ASSERT_TRUE(second.PostOpenParameter());
  EXPECT_TRUE(Readable(fd));
  EXPECT_EQ(owner.TakeOpenParameterMessages(), 1);
  EXPECT_FALSE(Readable(fd));
  EXPECT_EQ(owner.TakeOpenParameterMessages(), 0);

  ASSERT_TRUE(second.PostOpenParameter());
  ASSERT_TRUE(second.PostOpenParameter());
  EXPECT_EQ(owner.TakeOpenParameterMessages(), 2);

  owner.Release();
  EXPECT_FALSE(second.PostOpenParameter());  // gone
}

TEST_F(SingleInstanceTest, GuardOfADeadProcessDoesNotBlock) {
  int toParent[2], toChild[2];
  ASSERT_EQ(pipe(toParent), 0);
  ASSERT_EQ(pipe(toChild), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    close(toParent[0]);
    close(toChild[1]);
    SingleInstanceGuard g;
    char r = g.Acquire(Dir()) == Result::Owner && g.Publish() >= 0 ? 'O' : 'F';
    if (write(toParent[1], &r, 1) != 1) _exit(2);
    char c;
    if (read(toChild[0], &c, 1) < 0) _exit(3);  // EOF when the parent lets go
    _exit(0);                                   // dies holding the guard
  }
  close(toParent[1]);
  close(toChild[0]);
  char r = 0;
  ASSERT_EQ(read(toParent[0], &r, 1), 1);
  EXPECT_EQ(r, 'O');
  {
    SingleInstanceGuard g;
    EXPECT_EQ(g.Acquire(Dir()), Result::AlreadyRunning);
  }
  close(toChild[1]);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  close(toParent[0]);

  SingleInstanceGuard next, another;
  EXPECT_EQ(next.Acquire(Dir()), Result::Owner);
  // The dead process's id is no longer offered as the one to tell.
  ASSERT_EQ(another.Acquire(Dir()), Result::AlreadyRunning);
  EXPECT_FALSE(another.PostOpenParameter());
}

TEST_F(SingleInstanceTest, DirectoryThatCannotBeMadeFails) {
  WriteFile(dir_ / "plain", "x");
  SingleInstanceGuard g;
  EXPECT_EQ(g.Acquire(dir_ / "plain/profile"), Result::Failed);
  EXPECT_FALSE(g.owner());
  EXPECT_EQ(g.Publish(), -1);
  EXPECT_FALSE(g.PostOpenParameter());
}

}  // namespace
}  // namespace fennel
