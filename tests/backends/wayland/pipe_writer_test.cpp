// Serving our clipboard offer into a paster's pipe: a picture many times what a
// pipe holds arrives whole at a reader that takes its time, and a reader that goes
// away halfway ends the write without ending the program.
#include "backends/wayland/pipe_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <thread>

namespace snaprill {
namespace {

QCoreApplication& application() {
  static int argc = 1;
  static char name[] = "test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  return app;
}

QByteArray pattern(qsizetype size) {
  QByteArray bytes(size, '\0');
  for (qsizetype i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 % 251);
  return bytes;
}

// Runs the event loop until the writer is done, for at most two seconds.
bool runUntilDone(const PipeWriter& writer) {
  QElapsedTimer waited;
  waited.start();
  while (!writer.done() && waited.elapsed() < 2000)
    application().processEvents(QEventLoop::WaitForMoreEvents, 50);
  return writer.done();
}

TEST(PipeWriterTest, ALargeOfferArrivesWholeAndAReaderGoneEndsTheWrite) {
  application();
  int ends[2];
  ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
  const QByteArray sent = pattern(qsizetype{3} << 20);
  QByteArray got;
  // Reads slowly, in small pieces, until the end.
  std::thread reader([fd = ends[0], &got] {
    char piece[4096];
    for (;;) {
      const ssize_t n = ::read(fd, piece, sizeof piece);
      if (n <= 0) break;
      got.append(piece, n);
      if (got.size() % (qsizetype{256} << 10) == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ::close(fd);
  });
  PipeWriter writer(ends[1], sent, std::chrono::milliseconds(1000));
  EXPECT_TRUE(runUntilDone(writer));
  reader.join();
  EXPECT_EQ(got, sent);

  // The reader takes a little and goes: the write fails, nothing more.
  ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
  std::thread quitter([fd = ends[0]] {
    char piece[4096];
    (void)::read(fd, piece, sizeof piece);
    ::close(fd);
  });
  PipeWriter cut(ends[1], sent, std::chrono::milliseconds(1000));
  EXPECT_TRUE(runUntilDone(cut));
  quitter.join();
}

TEST(PipeWriterTest, AReaderThatTakesNothingIsGivenUpOnceTheTimeAllowedHasPassed) {
  application();
  int ends[2];
  ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
  PipeWriter writer(ends[1], pattern(qsizetype{1} << 20), std::chrono::milliseconds(200));
  QElapsedTimer waited;
  waited.start();
  EXPECT_TRUE(runUntilDone(writer));
  EXPECT_GE(waited.elapsed(), 150);
  ::close(ends[0]);
}

}  // namespace
}  // namespace snaprill
