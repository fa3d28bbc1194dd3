#include "ui/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTimer>
#include <future>
#include <optional>
#include <string>
#include <vector>

#include "support/event_loop.h"
#include "support/temp_dir.h"
#include "window_fixture.h"

namespace snaprill {
namespace {

TEST(SingleInstance, ASecondStartOnTheSameFolderAsksTheFirstToShowItself) {
  test::ensureApplication();
  testing::TempDir runtime;
  ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
  testing::TempDir settings;
  testing::TempDir other;

  SingleInstance first(settings.path());
  ASSERT_TRUE(first.first());
  QSignalSpy shown(&first, &SingleInstance::showRequested);
  {
    SingleInstance second(settings.path());
    EXPECT_FALSE(second.first());
    // The same folder written differently is the same folder.
    SingleInstance third(settings.path() + "./");
    EXPECT_FALSE(third.first());
    EXPECT_TRUE(second.askToShow(2000));
  }
  QElapsedTimer waited;
  waited.start();
  while (shown.count() == 0 && waited.elapsed() < 2000) QCoreApplication::processEvents();
  EXPECT_EQ(shown.count(), 1);

  // Another settings folder is another program.
  const SingleInstance beside(other.path());
  EXPECT_TRUE(beside.first());
}

TEST(SingleInstance, TheLockEndsWithItsHolder) {
  test::ensureApplication();
  testing::TempDir runtime;
  ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
  testing::TempDir settings;
  { const SingleInstance first(settings.path()); }
  const SingleInstance next(settings.path());
  EXPECT_TRUE(next.first());
}

TEST(SingleInstance, RequestLinesAreReadExactly) {
  using Kind = InstanceRequest::Kind;
  struct Case {
    std::string line;
    std::optional<Kind> kind;
    CaptureTarget target = CaptureTarget::Screen;
  };
  const std::vector<Case> cases = {
      {"show\n", Kind::Show},
      {"capture screen\n", Kind::Capture, CaptureTarget::Screen},
      {"capture window\r\n", Kind::Capture, CaptureTarget::Window},
      {"capture window", Kind::Capture, CaptureTarget::Window},
      {"protocol 2\n", Kind::Protocol},
      {"protocol 3\n", std::nullopt},
      {"capture\n", std::nullopt},
      {"capture  screen\n", std::nullopt},
      {"Capture screen\n", std::nullopt},
      {"capture screens\n", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    const std::optional<InstanceRequest> request = parseInstanceRequest(c.line);
    ASSERT_EQ(request.has_value(), c.kind.has_value()) << c.line;
    if (!request) continue;
    EXPECT_EQ(request->kind, *c.kind) << c.line;
    if (request->kind == Kind::Capture) {
      EXPECT_EQ(request->target, c.target) << c.line;
    }
    // What a later start writes is what the first reads back.
    const std::optional<InstanceRequest> again =
        parseInstanceRequest(instanceRequestLine(*request));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->kind, request->kind);
    EXPECT_EQ(again->target, request->target);
  }
}

// Faults: the command said nothing of a capture the running program could not write
// (exit 0, no file), and a reason over two lines ended the answer after the first.
TEST(SingleInstance, AnswersSayTheFileOrWhyNotInBothWords) {
  using Kind = CaptureAnswer::Kind;
  struct Case {
    CaptureAnswer answer;
    std::string line;        // this program's words
    std::string firstWords;  // what every program understands
  };
  const Case cases[] = {
      {{Kind::Saved, "/home/u/Pictures/snp4.png"}, "saved /home/u/Pictures/snp4.png", "ok"},
      {{Kind::Kept, {}}, "kept", "ok"},
      {{Kind::Refused, "Snaprill is paused"},
       "refused Snaprill is paused",
       "refused Snaprill is paused"},
      {{Kind::Unsaved, "Permission denied\nreally"},
       "unsaved Permission denied really",
       "refused Permission denied really"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(captureAnswerLine(c.answer), c.line);
    EXPECT_EQ(captureAnswerLine(c.answer, true), c.firstWords);
    const std::optional<CaptureAnswer> back = parseCaptureAnswer(c.line + "\n");
    ASSERT_TRUE(back) << c.line;
    EXPECT_EQ(back->kind, c.answer.kind) << c.line;
    EXPECT_EQ(back->ok(), c.answer.ok()) << c.line;
  }
  // An older program's "ok" is success without a file name.
  EXPECT_TRUE(parseCaptureAnswer("ok\n")->ok());
  for (const char* garbled : {"", "okay\n", "refused\n", "refused \n", "unsaved \n", "yes\n",
                              "pending 75\n", "kept it\n"})
    EXPECT_FALSE(parseCaptureAnswer(garbled)) << garbled;

  EXPECT_EQ(parsePendingLine(pendingLine(std::chrono::seconds(75)) + "\n"),
            std::chrono::seconds(75));
  for (const char* garbled :
       {"pending\n", "pending -1\n", "pending 7s\n", "pending 99999999\n", "saved x\n"})
    EXPECT_FALSE(parsePendingLine(garbled)) << garbled;
}

// The first answers in its event loop, the later start waits for the answer: the
// later one asks from a thread of its own.
std::optional<CaptureAnswer> askWhileServing(const SingleInstance& later, CaptureTarget target,
                                             int silentFirstWaitMs = 3000) {
  auto asked = std::async(std::launch::async, [&later, target, silentFirstWaitMs] {
    return later.askToCapture(target, std::chrono::seconds(3),
                              std::chrono::milliseconds(silentFirstWaitMs));
  });
  while (asked.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
    QCoreApplication::processEvents();
  return asked.get();
}

// A running program and a later start on one settings folder.
struct TwoStarts {
  struct Runtime : testing::TempDir {
    Runtime() {
      test::ensureApplication();
      ::setenv("XDG_RUNTIME_DIR", path().c_str(), 1);
    }
  } runtime;
  testing::TempDir settings;
  SingleInstance first{settings.path()};
  SingleInstance later{settings.path()};

  // A command as an older or newer program writes it, on a socket of its own.
  void sendRaw(QLocalSocket& socket, const char* lines) {
    socket.connectToServer(SingleInstance::socketPath(settings.path()));
    ASSERT_TRUE(socket.waitForConnected(2000));
    socket.write(lines);
  }
};

TEST(SingleInstance, ALaterStartHasTheFirstTakeAPictureAndHearsTheOutcome) {
  using Kind = CaptureAnswer::Kind;
  TwoStarts starts;
  ASSERT_TRUE(starts.first.first());
  ASSERT_FALSE(starts.later.first());

  // Before the program is ready for it, a request is refused, not left unanswered.
  std::optional<CaptureAnswer> answer = askWhileServing(starts.later, CaptureTarget::Screen);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->kind, Kind::Refused);

  std::vector<CaptureTarget> taken;
  bool paused = false;
  starts.first.setCaptureHandler(
      [&](CaptureTarget target, const SingleInstance::Answer& reply) {
        if (paused) return reply({Kind::Refused, "Snaprill is paused"});
        taken.push_back(target);
        reply({Kind::Saved, "/pictures/snp" + std::to_string(taken.size()) + ".png"});
      },
      std::chrono::seconds(1));
  answer = askWhileServing(starts.later, CaptureTarget::Window);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->kind, Kind::Saved);
  EXPECT_EQ(answer->detail, "/pictures/snp1.png");
  answer = askWhileServing(starts.later, CaptureTarget::Screen);
  ASSERT_TRUE(answer && answer->ok());
  EXPECT_EQ(taken, (std::vector{CaptureTarget::Window, CaptureTarget::Screen}));

  paused = true;
  answer = askWhileServing(starts.later, CaptureTarget::Screen);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->detail, "Snaprill is paused");
  EXPECT_EQ(taken.size(), 2u);
}

// Fault: the command gave up after its own ten seconds while the running program
// waited a minute on the desktop: the command must wait as long as the program says
// it may take, and no longer than that where it says nothing.
TEST(SingleInstance, TheCommandWaitsAsLongAsTheFirstSaysItMayTake) {
  using Kind = CaptureAnswer::Kind;
  TwoStarts starts;
  SingleInstance::Answer held;
  starts.first.setCaptureHandler(
      [&held](CaptureTarget, SingleInstance::Answer reply) { held = std::move(reply); },
      std::chrono::seconds(1));
  // The picture comes 1.5 s later, after the 0.5 s the command would wait for a
  // first that says nothing, within the 1 s (and the margin) it said.
  QTimer::singleShot(1500, [&held] { held({Kind::Saved, "/late.png"}); });
  QElapsedTimer waited;
  waited.start();
  const std::optional<CaptureAnswer> answer =
      askWhileServing(starts.later, CaptureTarget::Screen, 500);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->detail, "/late.png");
  EXPECT_GE(waited.elapsed(), 1400);
}

// Fault: a capture waiting behind slow writes was answered "not saved in time" and
// saved afterwards. The first may say "pending" again before its outcome, and a
// command takes the new time; nothing more is written once it answered.
TEST(SingleInstance, TheFirstMayAskForMoreTimeBeforeItsOutcome) {
  TwoStarts starts;
  SingleInstance::Answer held;
  starts.first.setCaptureHandler(
      [&held](CaptureTarget, SingleInstance::Answer reply) { held = std::move(reply); },
      std::chrono::seconds(1));
  QLocalSocket command;
  starts.sendRaw(command, "protocol 2\ncapture screen\n");
  const auto nextLine = [&command] {
    EXPECT_TRUE(test::runEventsUntil([&command] { return command.canReadLine(); }, 3000));
    return command.readLine().toStdString();
  };
  EXPECT_EQ(nextLine(), "pending 1\n");
  held.moreTime(std::chrono::seconds(30));
  EXPECT_EQ(nextLine(), "pending 30\n");
  EXPECT_EQ(parsePendingLine("pending 30\n"), std::chrono::seconds(30));
  held({CaptureAnswer::Kind::Saved, "/slow.png"});
  held.moreTime(std::chrono::seconds(30));
  EXPECT_EQ(nextLine(), "saved /slow.png\n");
  test::runEventsUntil([] { return false; }, 200);
  EXPECT_FALSE(command.canReadLine());
}

// A program of the version before: it knows neither "protocol 2" nor "pending", and
// answers in the first words only once its capture is over.
TEST(SingleInstance, OlderAndNewerProgramsUnderstandEachOther) {
  test::ensureApplication();
  testing::TempDir runtime;
  ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
  testing::TempDir settings;
  const QString path = SingleInstance::socketPath(settings.path());
  QLocalServer older;
  ASSERT_TRUE(older.listen(path));
  std::vector<std::string> heard;
  QObject::connect(&older, &QLocalServer::newConnection, [&older, &heard] {
    QLocalSocket* peer = older.nextPendingConnection();
    QObject::connect(peer, &QLocalSocket::readyRead, [peer, &heard] {
      while (peer->canReadLine()) {
        const std::string line = peer->readLine().trimmed().toStdString();
        heard.push_back(line);
        if (line == "capture screen") {
          QTimer::singleShot(700, peer, [peer] { peer->write("ok\n"); });
        }
      }
    });
  });
  // Held by the older program (a lock taken by hand): this start is a later one.
  const int lock = ::open((path + ".lock").toLocal8Bit().constData(), O_RDWR | O_CREAT, 0600);
  ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
  const SingleInstance newer(settings.path());
  ASSERT_FALSE(newer.first());
  const std::optional<CaptureAnswer> answer = askWhileServing(newer, CaptureTarget::Screen);
  ASSERT_TRUE(answer);
  EXPECT_TRUE(answer->ok());
  EXPECT_EQ(heard, (std::vector<std::string>{"protocol 2", "capture screen"}));
  ::close(lock);
  older.close();

  // And the other way: an older command writes the capture line alone and reads one
  // line of the first words.
  TwoStarts starts;
  starts.first.setCaptureHandler(
      [](CaptureTarget, const SingleInstance::Answer& reply) {
        reply({CaptureAnswer::Kind::Unsaved, "Permission denied"});
      },
      std::chrono::seconds(1));
  QLocalSocket olderCommand;
  starts.sendRaw(olderCommand, "capture screen\n");
  ASSERT_TRUE(test::runEventsUntil([&olderCommand] { return olderCommand.canReadLine(); }, 3000));
  EXPECT_EQ(olderCommand.readLine().toStdString(), "refused Permission denied\n");
}

// Fault: a command that gave up while the capture was still pending left the
// running program writing its late answer into a connection it had already freed
// (a crash; under AddressSanitizer a use after free).
TEST(SingleInstance, ALateAnswerForACommandThatWentAwayIsDropped) {
  TwoStarts starts;
  std::vector<SingleInstance::Answer> held;
  starts.first.setCaptureHandler(
      [&held](CaptureTarget, SingleInstance::Answer reply) { held.push_back(std::move(reply)); },
      std::chrono::seconds(60));
  for (const bool abort : {false, true}) {
    QLocalSocket command;
    starts.sendRaw(command, "protocol 2\ncapture screen\n");
    ASSERT_TRUE(test::runEventsUntil([&command] { return command.canReadLine(); }, 3000));
    EXPECT_EQ(command.readLine().toStdString(), "pending 60\n");
    if (abort) {
      command.abort();
    } else {
      command.disconnectFromServer();
    }
  }
  ASSERT_EQ(held.size(), 2u);
  // The first's side of both connections closed and freed.
  test::runEventsUntil([] { return false; }, 300);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  for (const SingleInstance::Answer& late : held) late({CaptureAnswer::Kind::Saved, "/late.png"});
  // Answered twice: the second is dropped too.
  held.front()({CaptureAnswer::Kind::Saved, "/again.png"});
}

TEST(SingleInstance, AStartWaitsOutACaptureCommandThatSavesItsOwnPicture) {
  test::ensureApplication();
  testing::TempDir runtime;
  ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
  testing::TempDir settings;

  auto command = std::make_unique<SingleInstance>(settings.path(), /*listen=*/false);
  ASSERT_TRUE(command->first());
  SingleInstance start(settings.path());
  ASSERT_FALSE(start.first());
  // Nobody answers: not a running program to hand over to.
  EXPECT_FALSE(start.askToShow(200, false));
  EXPECT_FALSE(start.waitToBeFirst(100));

  command.reset();
  ASSERT_TRUE(start.waitToBeFirst(1000));
  // Now the program of the folder, it listens.
  const SingleInstance later(settings.path());
  EXPECT_FALSE(later.first());
  EXPECT_TRUE(later.askToShow(2000, false));
}

}  // namespace
}  // namespace snaprill
