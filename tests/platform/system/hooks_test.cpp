// Side effects: recorded in tests; the default program start really runs the
// program, with its arguments passed literally, and reports a failure.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/system/error.h"
#include "platform/system/hook_recorder.h"
#include "platform/system/hooks.h"
#include "tests/platform/system/temp_dir.h"

namespace {

TEST(Hooks, RecorderSeesEveryCallInOrderAndRestoresTheDefaults) {
  {
    sys::HookRecorder rec;
    sys::beep();
    sys::startDetached("prog", {"a b", "c"});
    sys::openUrl("http://example.org/");
    sys::playSound("/s/about.wav");
    EXPECT_EQ(rec.events, (std::vector<std::string>{"beep", "start prog a b c", "url http://example.org/",
                                                    "sound /s/about.wav"}));
    ASSERT_EQ(rec.starts.size(), 1u);
    EXPECT_EQ(rec.starts[0].args, (std::vector<std::string>{"a b", "c"}));
    rec.failStartWith = "cannot";
    EXPECT_THROW(sys::startDetached("prog", {}), sys::Error);
  }
  // The default start is back: a program that does not exist fails.
  EXPECT_THROW(sys::startDetached("/nonexistent/karvix-prog", {}), sys::Error);
}

TEST(Hooks, DefaultStartRunsTheProgramWithLiteralArguments) {
  testing_support::TempDir dir;
  // A name full of shell syntax: it must reach the program unchanged.
  const std::string source = dir.file("a b;$(echo x)'\".txt");
  testing_support::writeText(source, "copied by the started program\n");
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  sys::defaultStartDetached("cp", {source, fifo});
  // Opening the FIFO blocks until the started program opens it for writing.
  const int fd = open(fifo.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  std::string got;
  char buf[256];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) got.append(buf, static_cast<std::size_t>(n));
  close(fd);
  EXPECT_EQ(got, "copied by the started program\n");
}

TEST(Hooks, DefaultStartReportsAProgramThatCannotRun) {
  try {
    sys::defaultStartDetached("karvix-no-such-program", {"x"});
    FAIL() << "no error";
  } catch (const sys::Error& e) {
    EXPECT_STREQ(e.what(), "Unable to start program 'karvix-no-such-program': No such file or directory");
  }
}

TEST(Hooks, SettersReturnThePreviousHook) {
  int calls = 0;
  auto before = sys::setBeepHook([&] { ++calls; });
  sys::beep();
  auto mine = sys::setBeepHook(before);
  sys::beep();  // default: nothing
  EXPECT_EQ(calls, 1);
  mine();
  EXPECT_EQ(calls, 2);
}

}  // namespace
