#include "ui/single_instance.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <future>
#include <optional>
#include <string>
#include <vector>

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

TEST(SingleInstance, AnswersSayOkOrWhyNot) {
  EXPECT_EQ(captureAnswerLine(CaptureAnswer{}), "ok");
  EXPECT_EQ(captureAnswerLine(CaptureAnswer{"Snaprill is paused"}), "refused Snaprill is paused");
  // A reason over two lines would end the answer after the first.
  EXPECT_EQ(captureAnswerLine(CaptureAnswer{"one\ntwo"}), "refused one two");

  EXPECT_TRUE(parseCaptureAnswer("ok\n")->ok());
  EXPECT_EQ(parseCaptureAnswer("refused paused\n")->refusal, "paused");
  for (const char* garbled : {"", "okay\n", "refused\n", "refused \n", "yes\n"})
    EXPECT_FALSE(parseCaptureAnswer(garbled)) << garbled;
}

// The first answers in its event loop, the later start waits for the answer: the
// later one asks from a thread of its own.
std::optional<CaptureAnswer> askWhileServing(const SingleInstance& later, CaptureTarget target) {
  auto asked =
      std::async(std::launch::async, [&later, target] { return later.askToCapture(target, 3000); });
  while (asked.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
    QCoreApplication::processEvents();
  return asked.get();
}

TEST(SingleInstance, ALaterStartHasTheFirstTakeAPictureAndHearsTheOutcome) {
  test::ensureApplication();
  testing::TempDir runtime;
  ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
  testing::TempDir settings;

  SingleInstance first(settings.path());
  ASSERT_TRUE(first.first());
  const SingleInstance later(settings.path());
  ASSERT_FALSE(later.first());

  // Before the program is ready for it, a request is refused, not left unanswered.
  std::optional<CaptureAnswer> answer = askWhileServing(later, CaptureTarget::Screen);
  ASSERT_TRUE(answer);
  EXPECT_FALSE(answer->ok());

  std::vector<CaptureTarget> taken;
  bool paused = false;
  first.setCaptureHandler([&](CaptureTarget target) -> std::optional<std::string> {
    if (paused) return "Snaprill is paused";
    taken.push_back(target);
    return std::nullopt;
  });
  answer = askWhileServing(later, CaptureTarget::Window);
  ASSERT_TRUE(answer);
  EXPECT_TRUE(answer->ok());
  answer = askWhileServing(later, CaptureTarget::Screen);
  ASSERT_TRUE(answer && answer->ok());
  EXPECT_EQ(taken, (std::vector{CaptureTarget::Window, CaptureTarget::Screen}));

  paused = true;
  answer = askWhileServing(later, CaptureTarget::Screen);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->refusal, "Snaprill is paused");
  EXPECT_EQ(taken.size(), 2u);
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
