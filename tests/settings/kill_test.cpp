// A process saving settings is killed at random moments: the settings file must
// always parse and hold one whole save, the old one or the new one, never a mix.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>

#include "formats/ini/ini_file.h"
#include "settings/settings_file.h"
#include "support/settings_harness.h"

namespace snaprill {
namespace {

using test::Harness;

// Two settings that differ in every kind of key.
void applyVariant(Harness& h, bool second) {
  Options& c = h.options;
  c.setValue(Option::outputType, second ? kGif : kBitmap);
  c.setValue(Option::jpegQuality, second ? 33 : 66);
  c.setValue(Option::windowTop, second ? 10 : 20);
  c.setChecked(Option::rememberLastNumber, second);
  h.state.names.setCounter(second ? 111 : 222);
  c.setText(Option::filePrefix, second ? "second" : "first");
  c.setValue(Option::screenKey, second ? 0x4000 | 'A' : 0x2000 | 'B');
  c.setText(Option::captureText, second ? "%h:%i" : "text");
  c.setValue(Option::textFontStyle, second ? kTextItalic : kTextBold | kTextUnderline);
  c.setValue(Option::animationFrameCount, second ? 5 : 9);
  c.setValue(Option::cropWidth, second ? 640 : 480);
  c.setText(Option::externalProgram, second ? "/usr/bin/a" : "/usr/bin/b");
  c.setValue(Option::galleryImageHeight, second ? 100 : 200);
  c.setChecked(Option::galleryLinks, second);
}

TEST(SettingsKill, EveryKillLeavesOneWholeSave) {
  // tmpfs (the harness's choice where it exists) keeps a save short, so that the
  // kills land all over it; a kill tests the replacement, not the disk.
  test::TempDir temp;
  const std::string dir = temp.path();
  const std::string file = dir + "snaprill.ini";

  IniFile variants[2];
  for (int v = 0; v < 2; ++v) {
    Harness h(dir);
    applyVariant(h, v == 1);
    const std::string reference = dir + "variant" + std::to_string(v) + ".ini";
    h.settings.save(reference);
    variants[v] = IniFile::fromFile(reference);
    if (v == 0) h.settings.save(file);
  }

  std::mt19937 random(20260307);
  std::uniform_int_distribution<int> delayMicros(0, 40000);
  int mixed = 0;
  int seen[2] = {0, 0};
  for (int round = 0; round < 200; ++round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      try {
        Harness h(dir);
        for (bool second = true;; second = !second) {
          applyVariant(h, second);
          h.settings.save(file);
        }
      } catch (...) {
      }
      ::_exit(1);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(delayMicros(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the saving process stopped by itself";

    const IniFile now = IniFile::fromFile(file);
    bool fromFirst = false, fromSecond = false;
    for (const auto& [section, key] : savedKeys()) {
      const auto value = now.value(section, key);
      ASSERT_TRUE(value) << "round " << round << ": " << section << "/" << key << " missing";
      const bool first = value == variants[0].value(section, key);
      const bool second = value == variants[1].value(section, key);
      ASSERT_TRUE(first || second) << "round " << round << ": " << key << "=" << *value;
      if (first != second) (first ? fromFirst : fromSecond) = true;
    }
    if (fromFirst && fromSecond) ++mixed;
    if (fromFirst != fromSecond) ++(fromFirst ? seen[0] : seen[1]);
  }
  std::printf("kills: the first save found %d times, the second %d times\n", seen[0], seen[1]);
  // A save replaces the file once: no kill leaves some keys of one save and some of
  // the other.
  EXPECT_EQ(mixed, 0);
  // Both saves reached the file, so the kills did land between and during saves.
  EXPECT_GT(seen[0], 0);
  EXPECT_GT(seen[1], 0);
}

}  // namespace
}  // namespace snaprill
