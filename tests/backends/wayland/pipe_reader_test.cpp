// Reading an owner's pipe: all of a large offer across many reads, a silent owner
// given up once the time allowed has passed, an offer larger than any picture
// given up while it arrives, and a read ended early never announced.
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

class PipeReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    ASSERT_EQ(pipe2(ends_, O_CLOEXEC), 0);
    fcntl(ends_[0], F_SETFL, O_NONBLOCK);
    QObject::connect(&reader_, &PipeReader::finished, [this](const QByteArray& b) { bytes_ = b; });
    QObject::connect(&reader_, &PipeReader::failed, [this](LostOffer why) { lost_ = why; });
    reader_.start(ends_[0]);
  }
  void TearDown() override {
    if (writer_.joinable()) writer_.join();
  }
  // Writes `size` bytes of a counting pattern from another thread, then closes.
  void send(std::size_t size) {
    writer_ = std::thread([fd = ends_[1], size] {
      // A reader that gives up closes its end: the write fails instead of ending us.
      sigset_t pipeSignal;
      sigemptyset(&pipeSignal);
      sigaddset(&pipeSignal, SIGPIPE);
      pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
      std::string chunk(1 << 20, '\0');
      for (std::size_t done = 0; done < size;) {
        for (std::size_t i = 0; i < chunk.size(); ++i)
          chunk[i] = static_cast<char>((done + i) % 251);
        const std::size_t n = std::min(chunk.size(), size - done);
        const ssize_t wrote = ::write(fd, chunk.data(), n);
        if (wrote <= 0) break;  // the reader gave up
        done += static_cast<std::size_t>(wrote);
      }
      ::close(fd);
    });
  }
  // Runs the event loop until the read has ended or `ms` have passed; how long it took.
  qint64 runUntilEnded(int ms) {
    QElapsedTimer t;
    t.start();
    while (reader_.active() && t.elapsed() < ms)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    return t.elapsed();
  }

  int ends_[2] = {-1, -1};
  PipeReader reader_{std::chrono::milliseconds(300)};
  std::thread writer_;
  std::optional<QByteArray> bytes_;
  std::optional<LostOffer> lost_;
};

TEST_F(PipeReaderTest, AllOfALargeOfferArrivesWhole) {
  const std::size_t size = (std::size_t{5} << 20) + 12345;
  send(size);
  runUntilEnded(10000);
  ASSERT_TRUE(bytes_.has_value());
  ASSERT_EQ(static_cast<std::size_t>(bytes_->size()), size);
  for (std::size_t i = 0; i < size; i += 4099)
    ASSERT_EQ(static_cast<unsigned char>((*bytes_)[static_cast<qsizetype>(i)]), i % 251) << i;
  EXPECT_FALSE(lost_.has_value());
}

TEST_F(PipeReaderTest, ASilentOwnerIsGivenUpOnceTheTimeAllowedHasPassed) {
  const qint64 took = runUntilEnded(5000);
  EXPECT_EQ(lost_, LostOffer::NotSent);
  EXPECT_GE(took, 250);
  EXPECT_LT(took, 2000);
  ::close(ends_[1]);
}

TEST_F(PipeReaderTest, AnOfferLargerThanAnyPictureIsGivenUpWhileItArrives) {
  send(static_cast<std::size_t>(kMaxOfferBytes) + 1);
  runUntilEnded(30000);
  EXPECT_EQ(lost_, LostOffer::TooLarge);
  EXPECT_FALSE(bytes_.has_value());
}

TEST_F(PipeReaderTest, AReadEndedEarlyIsNeverAnnounced) {
  reader_.cancel();
  ::close(ends_[1]);
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 500) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
  EXPECT_FALSE(bytes_.has_value());
  EXPECT_FALSE(lost_.has_value());
}

}  // namespace
}  // namespace snaprill
