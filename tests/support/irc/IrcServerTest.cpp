#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "tests/support/irc/IrcServer.h"

// Runs with an application object, as the chat client's tests do, so that
// the peers wait in a local event loop.
namespace {

constexpr int kLimitMs = 5000;

// True once the process has ended (a zombie counts), waiting on a pidfd.
bool EndsWithin(pid_t pid, int limitMs) {
  const int fd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (fd < 0) return errno == ESRCH;
  pollfd ended{fd, POLLIN, 0};
  const bool done = poll(&ended, 1, limitMs) == 1;
  close(fd);
  return done;
}

// The harness's plain and TLS ports, its restart on the same port and the
// members' lines as sent are what every IRC client test relies on; this is
// what they do not show: the server must not outlive a test that crashes before its destructors.
TEST(IrcServerTest, ServerEndsWhenTheTestProcessDies) {
  // The dying test is this binary run again, as a child of this process; it
  // tells the server's pid and folder in a file named after its parent.
  // Its orphaned server comes to this process, which reaps it, rather than
  // to init, which may leave a zombie for a while.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  const auto reportFor = [](pid_t testProcess) {
    return QDir::temp().filePath(QStringLiteral("morva-irc-death-%1.txt").arg(testProcess));
  };
  EXPECT_DEATH(
      {
        IrcServer server;
        QFile report(reportFor(getppid()));
        if (server.Start() && report.open(QIODevice::WriteOnly)) {
          QFile pid(server.dir() + "/ngircd.pid");
          pid.open(QIODevice::ReadOnly);
          report.write(pid.readAll().trimmed() + "\n" + QFile::encodeName(server.dir()));
          report.close();
        }
        raise(SIGKILL);
      },
      "");
  QFile report(reportFor(getpid()));
  ASSERT_TRUE(report.open(QIODevice::ReadOnly)) << "the dying test's server did not start";
  const QList<QByteArray> told = report.readAll().split('\n');
  report.remove();
  ASSERT_EQ(told.size(), 2);
  const pid_t pid = told[0].toInt();
  ASSERT_GT(pid, 0);
  const bool ended = EndsWithin(pid, kLimitMs);
  if (!ended) kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  EXPECT_TRUE(ended) << "ngircd " << pid << " outlived its test";
  prctl(PR_SET_CHILD_SUBREAPER, 0);
  QDir(QFile::decodeName(told[1])).removeRecursively();
}

}  // namespace
