// Reading an owner's pipe: a large offer arrives whole across many reads, an offer
// larger than any picture is given up while it arrives, and a silent owner once
// the time allowed has passed.
#include "backends/wayland/pipe_reader.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <optional>
#include <thread>

#include "backends/qt/clipboard_offer.h"

namespace snaprill {
namespace {

struct Outcome {
  std::optional<QByteArray> bytes;
  std::optional<LostReason> lost;
  qint64 milliseconds = 0;
};

// Reads what another thread writes into a pipe: `size` bytes of a counting pattern
// then the end, or, without a size, nothing for as long as the reader waits.
Outcome readFromWriter(std::optional<std::size_t> size) {
  static int argc = 1;
  static char name[] = "test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  int ends[2];
  EXPECT_EQ(pipe2(ends, O_CLOEXEC), 0);
  fcntl(ends[0], F_SETFL, O_NONBLOCK);
  Outcome outcome;
  PipeReader reader(std::chrono::milliseconds(300));
  QObject::connect(&reader, &PipeReader::finished, [&](const QByteArray& b) { outcome.bytes = b; });
  QObject::connect(&reader, &PipeReader::failed, [&](LostReason why) { outcome.lost = why; });
  reader.start(ends[0]);
  std::thread writer([fd = ends[1], size] {
    // A reader that gives up closes its end: the write fails instead of ending us.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
    std::string chunk(1 << 20, '\0');
    for (std::size_t done = 0; size && done < *size;) {
      for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>((done + i) % 251);
      const ssize_t wrote = ::write(fd, chunk.data(), std::min(chunk.size(), *size - done));
      if (wrote <= 0) break;
      done += static_cast<std::size_t>(wrote);
    }
    if (!size) std::this_thread::sleep_for(std::chrono::seconds(2));
    ::close(fd);
  });
  QElapsedTimer t;
  t.start();
  while (reader.active() && t.elapsed() < 30000)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
  outcome.milliseconds = t.elapsed();
  writer.join();
  return outcome;
}

TEST(PipeReader, LargeOffersArriveWholeTooLargeOnesAndSilentOwnersAreGivenUp) {
  const std::size_t size = (std::size_t{5} << 20) + 12345;
  const Outcome whole = readFromWriter(size);
  ASSERT_TRUE(whole.bytes.has_value());
  ASSERT_EQ(static_cast<std::size_t>(whole.bytes->size()), size);
  for (std::size_t i = 0; i < size; i += 4099)
    ASSERT_EQ(static_cast<unsigned char>((*whole.bytes)[static_cast<qsizetype>(i)]), i % 251) << i;

  const Outcome tooLarge = readFromWriter(static_cast<std::size_t>(kMaxOfferBytes) + 1);
  EXPECT_EQ(tooLarge.lost, LostReason::TooLarge);
  EXPECT_FALSE(tooLarge.bytes.has_value());

  const Outcome silent = readFromWriter(std::nullopt);
  EXPECT_EQ(silent.lost, LostReason::NotSent);
  EXPECT_GE(silent.milliseconds, 250);
  EXPECT_LT(silent.milliseconds, 1500);
}

}  // namespace
}  // namespace snaprill
