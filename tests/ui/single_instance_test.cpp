#include "ui/single_instance.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>

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

}  // namespace
}  // namespace snaprill
