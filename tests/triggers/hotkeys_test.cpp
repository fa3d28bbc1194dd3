// The five hotkeys over a fake keyboard, driven tick by tick through the hotkey
// timer, with real settings files for the auto-save rows.
#include "triggers/hotkeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "formats/ini/ini_file.h"
#include "settings/settings_file.h"
#include "support/settings_harness.h"
#include "triggers/auto_save_file.h"
#include "triggers/virtual_keys.h"

namespace snaprill {
namespace {

constexpr int kF5 = 0x74, kF6 = 0x75, kF7 = 0x76, kF8 = 0x77, kLeftShift = 0xA0, kLeftCtrl = 0xA2,
              kRightCtrl = 0xA3, kLeftAlt = 0xA4, kRightAlt = 0xA5;

class HotkeysTest : public ::testing::Test {
 protected:
  void press(int vk) { keyboard.press(*keysymOf(vk)); }
  void release(int vk) { keyboard.release(*keysymOf(vk)); }
  void tick(int times = 1) {
    for (int i = 0; i < times; ++i) static_cast<fake::FakeTimer&>(hotkeys.timer()).tick();
  }
  bool isDown(int vk) const { return keyboard.isDown(*keysymOf(vk)); }
  // What was sent so far, by X names: "Print+ Print-" for one Print Screen sequence.
  std::string sent() const {
    std::string text;
    for (const KeyStroke& s : keys.sent) {
      if (!text.empty()) text += ' ';
      const auto table = virtualKeyTable();
      const auto key = std::find_if(table.begin(), table.end(),
                                    [&s](const VirtualKey& k) { return k.keysym == s.keysym; });
      text += key == table.end() ? "?" : key->xName;
      text += s.down ? '+' : '-';
    }
    return text;
  }
  // How many Print Screen presses were sent.
  long printScreens() const {
    return std::count_if(keys.sent.begin(), keys.sent.end(), [](const KeyStroke& s) {
      return s.down && s.keysym == *keysymOf(kVkPrintScreen);
    });
  }
  std::string mainFileValue(const char* section, const char* key) const {
    return IniFile::fromFile(h.settings.mainFile()).string(section, key, "");
  }

  test::TempDir dir;
  test::Harness h{dir.path()};
  Options& options = h.options;
  fake::FakeKeyboard keyboard;
  fake::FakeKeyInjector keys{&keyboard};
  Hotkeys hotkeys{options, h.cycle, h.reports, h.settings, h.platform, keyboard, keys};
};

const std::string kPrintScreen = "Print+ Print-";
const std::string kAltPrintScreen = "Alt_L+ Print+ Print- Alt_L-";

TEST_F(HotkeysTest, AHeldKeyFiresOncePerPress) {
  options.setChecked(Option::captureScreenOnKey, true);  // F12 by default
  EXPECT_FALSE(hotkeys.wantsTicks());
  press(kVkF12);
  EXPECT_TRUE(hotkeys.wantsTicks());
  tick(3000);  // three seconds of the 1 ms timer
  EXPECT_EQ(sent(), kPrintScreen);
  release(kVkF12);
  EXPECT_TRUE(hotkeys.wantsTicks()) << "the latch has yet to see the key up";
  tick();
  EXPECT_FALSE(hotkeys.wantsTicks()) << "nothing to do: the timer may sleep";
  press(kVkF12);
  tick(10);
  EXPECT_EQ(sent(), kPrintScreen + " " + kPrintScreen);
}

TEST_F(HotkeysTest, PressesBetweenTwoTicksAreNotLost) {
  options.setChecked(Option::captureScreenOnKey, true);
  // A tap over before the timer came round.
  press(kVkF12);
  release(kVkF12);
  tick(5);
  EXPECT_EQ(sent(), kPrintScreen);
  // Held, then released and pressed again between two ticks: a new press.
  press(kVkF12);
  tick();
  release(kVkF12);
  press(kVkF12);
  tick();
  EXPECT_EQ(sent(), kPrintScreen + " " + kPrintScreen + " " + kPrintScreen);
  // Other keys going down and up while it is held (the Print Screen it sent) are no
  // new press of it.
  press(kVkPrintScreen);
  release(kVkPrintScreen);
  release(kVkF12);
  tick(5);
  EXPECT_EQ(keys.sent.size(), 6u);
}

TEST_F(HotkeysTest, SlotsFireInTheirOrderAndOnlyWhileChecked) {
  options.setChecked(Option::captureScreenOnKey, true);
  options.setChecked(Option::captureActiveWindowOnKey, true);  // F11 by default
  press(kVkF12);
  press(kVkF11);
  tick();
  EXPECT_EQ(sent(), kAltPrintScreen + " " + kPrintScreen);
  release(kVkF12);
  release(kVkF11);
  tick();
  options.setChecked(Option::captureScreenOnKey, false);
  press(kVkF12);
  EXPECT_FALSE(hotkeys.wantsTicks());
  tick();
  EXPECT_EQ(keys.sent.size(), 6u);
}

TEST_F(HotkeysTest, ModifierBitsAskForExactlyThoseModifiers) {
  options.setChecked(Option::captureScreenOnKey, true);
  options.setValue(Option::screenKey, kShortcutCtrl | kF5);
  const auto releaseAll = [&] {
    for (int vk : {kF5, kLeftCtrl, kRightCtrl, kLeftShift}) release(vk);
    tick();
  };
  press(kRightCtrl);
  press(kF5);
  tick();
  EXPECT_EQ(sent(), "Control_R- " + kPrintScreen + " Control_R+") << "either Ctrl key";
  releaseAll();
  press(kLeftCtrl);
  press(kLeftShift);
  press(kF5);
  tick();
  releaseAll();
  press(kF5);
  tick();
  press(kLeftCtrl);  // too late: the key went down without it
  tick();
  releaseAll();
  EXPECT_EQ(printScreens(), 1);
  // Without modifier bits any modifiers may be held.
  options.setValue(Option::screenKey, kF5);
  press(kLeftShift);
  press(kF5);
  tick();
  EXPECT_EQ(printScreens(), 2);
}

TEST_F(HotkeysTest, ModifiersTheUserHoldsStayOutOfTheSentKeys) {
  // Each key's sequence alone: the screen key's Print Screen plain, the active-window
  // key's with our Alt only; the user's modifiers held again afterwards.
  options.setChecked(Option::captureScreenOnKey, true);
  options.setValue(Option::screenKey, kShortcutAlt | kF6);
  options.setChecked(Option::captureActiveWindowOnKey, true);
  options.setValue(Option::activeWindowKey, kShortcutCtrl | kShortcutShift | kF7);
  options.setChecked(Option::autoSave1, true);
  options.setValue(Option::autoSave1Key, kShortcutAlt | kF8);
  const auto pressKeys = [&](std::initializer_list<int> vks) {
    keys.sent.clear();
    for (int vk : vks) press(vk);
    tick();
  };
  const auto releaseKeys = [&](std::initializer_list<int> vks) {
    for (int vk : vks) release(vk);
    tick();
  };
  pressKeys({kLeftAlt, kF6});
  EXPECT_EQ(sent(), "Alt_L- " + kPrintScreen + " Alt_L+");
  EXPECT_TRUE(isDown(kLeftAlt)) << "still held by the user";
  releaseKeys({kF6, kLeftAlt});
  pressKeys({kRightCtrl, kLeftShift, kVkLeftWindows, kF7});
  EXPECT_EQ(sent(),
            "Shift_L- Control_R- Super_L- " + kAltPrintScreen + " Shift_L+ Control_R+ Super_L+");
  EXPECT_TRUE(isDown(kRightCtrl) && isDown(kLeftShift) && isDown(kVkLeftWindows));
  releaseKeys({kF7, kVkLeftWindows, kLeftShift, kRightCtrl});
  // An auto-save row sends the same plain Print Screen.
  pressKeys({kRightAlt, kF8});
  EXPECT_EQ(sent(), "Alt_R- " + kPrintScreen + " Alt_R+");
  releaseKeys({kF8, kRightAlt});
  // A modifier let go before the tick came round is not pressed again.
  keys.sent.clear();
  press(kLeftAlt);
  press(kF6);
  release(kLeftAlt);
  tick();
  EXPECT_EQ(sent(), kPrintScreen);
  EXPECT_FALSE(isDown(kLeftAlt));
}

TEST_F(HotkeysTest, TheTwoCaptureKeysMayNotBeTheSame) {
  options.setChecked(Option::captureScreenOnKey, true);
  options.setChecked(Option::captureActiveWindowOnKey, true);
  options.setValue(Option::activeWindowKey, kVkF12);
  EXPECT_FALSE(options.checked(Option::captureScreenOnKey));
  EXPECT_FALSE(options.checked(Option::captureActiveWindowOnKey));
  press(kVkF12);
  tick();
  EXPECT_EQ(sent(), "");
  release(kVkF12);
  // The auto-save keys are not compared with anything.
  options.setValue(Option::activeWindowKey, kVkF11);
  options.setValue(Option::autoSave1Key, kVkF12);
  options.setChecked(Option::captureScreenOnKey, true);
  options.setChecked(Option::captureActiveWindowOnKey, true);
  EXPECT_TRUE(options.checked(Option::captureScreenOnKey));
}

TEST_F(HotkeysTest, NothingFiresWhileTheTimerIsOff) {
  options.setChecked(Option::captureScreenOnKey, true);
  // Paused.
  h.cycle.togglePause();
  press(kVkF12);
  release(kVkF12);
  tick();
  h.cycle.togglePause();
  tick();
  EXPECT_EQ(sent(), "") << "a press made while paused is not kept for later";
  // A key field with the focus: typing the hotkey only edits the field.
  hotkeys.suspendHotkeys();
  press(kVkF12);
  tick();
  release(kVkF12);
  hotkeys.resumeHotkeys();
  tick();
  EXPECT_EQ(sent(), "");
  // Leaving a key field starts the hotkeys even while the capture cycle is paused.
  h.cycle.togglePause();
  hotkeys.suspendHotkeys();
  hotkeys.resumeHotkeys();
  press(kVkF12);
  tick();
  EXPECT_EQ(sent(), kPrintScreen);
  EXPECT_TRUE(h.cycle.paused());
  release(kVkF12);
  tick();
  h.cycle.togglePause();
  // The counter at its end stops the hotkeys with the taking of pictures.
  h.state.names.setCounter(kMaxImageNumber - 1);
  h.capture();
  press(kVkF12);
  tick();
  EXPECT_EQ(keys.sent.size(), 2u);
}

// The desktop's global shortcuts report a press whole: each slot runs its own action,
// only while checked and while the hotkeys are on, never twice per report.
TEST_F(HotkeysTest, APressTheDesktopReportsRunsTheSlotsActionUnderTheSameRules) {
  hotkeys.fireSlot(1);
  EXPECT_EQ(sent(), "") << "unchecked";
  options.setChecked(Option::captureScreenOnKey, true);
  options.setChecked(Option::captureActiveWindowOnKey, true);
  hotkeys.fireSlot(1);
  hotkeys.fireSlot(0);
  hotkeys.fireSlot(Hotkeys::kSlotCount);  // no such slot
  EXPECT_EQ(sent(), kPrintScreen + " " + kAltPrintScreen);
  keys.sent.clear();
  h.cycle.togglePause();
  hotkeys.fireSlot(1);
  h.cycle.togglePause();
  hotkeys.suspendHotkeys();
  hotkeys.fireSlot(1);
  hotkeys.resumeHotkeys();
  EXPECT_EQ(sent(), "") << "paused, then a key field with the focus";
  EXPECT_EQ(Hotkeys::keyOf(1), Option::screenKey);
}

TEST_F(HotkeysTest, AKeyPressedWhileAnAutoSaveCaptureIsWrittenActsAtOnceWithTheUsersSettings) {
  // The faults: a press during a long write used up, or taken with the auto-save
  // row's settings, or the auto-save capture written with the user's.
  const std::string file = dir.path() + "png.snp";
  test::writeFile(file, "[Snaprill]\nImageType=1\n[General]\nFilenamePrefix=as\n");
  options.setChecked(Option::captureScreenOnKey, true);
  options.setValue(Option::autoSave1Key, kF6);
  options.setChecked(Option::autoSave1, true);
  options.setText(Option::autoSave1File, file);
  h.platform.background = &h.background;
  press(kF6);
  tick();
  release(kF6);
  h.capture();
  ASSERT_TRUE(h.background.busy()) << "the auto-save capture is being written";
  EXPECT_EQ(options.value(Option::outputType), kJpeg) << "the user's settings are back";
  press(kVkF12);
  tick();
  EXPECT_EQ(sent(), kPrintScreen + " " + kPrintScreen) << "the press acts at once";
  h.capture();  // its picture waits for the write, not the user
  h.background.runNext();
  h.background.runNext();
  EXPECT_TRUE(std::filesystem::exists(dir.path() + "as1.png"));
  EXPECT_TRUE(std::filesystem::exists(dir.path() + "snp2.jpg"));
}

TEST_F(HotkeysTest, AnAutoSaveRowTakesOneCaptureWithItsOptionsFile) {
  const std::string file = dir.path() + "png.snp";
  test::writeFile(file, "[Snaprill]\nImageType=1\n[General]\nFilenamePrefix=as\n");
  // Only row 3 is checked; the others share its key.
  for (const Option key : {Option::autoSave1Key, Option::autoSave2Key, Option::autoSave3Key}) {
    options.setValue(key, kF6);
  }
  options.setChecked(Option::autoSave3, true);
  options.setText(Option::autoSave3File, file);
  press(kF6);
  tick();
  release(kF6);
  EXPECT_EQ(sent(), kPrintScreen);
  EXPECT_TRUE(h.settings.oneCaptureWaiting());
  EXPECT_EQ(mainFileValue("Snaprill", "ImageType"), "0") << "the user's settings put aside";
  EXPECT_EQ(options.value(Option::outputType), kPng);

  h.capture();
  EXPECT_TRUE(std::filesystem::exists(dir.path() + "as1.png"));
  EXPECT_EQ(options.value(Option::outputType), kJpeg);
  EXPECT_EQ(options.text(Option::filePrefix), "snp");
  h.capture();
  EXPECT_TRUE(std::filesystem::exists(dir.path() + "snp2.jpg")) << "restored once only";
}

TEST_F(HotkeysTest, AnAutoSaveWithoutOptionsFileTurnsAviIntoOneGif) {
  options.setValue(Option::outputType, kAvi);
  options.setChecked(Option::saveAnimation, true);
  options.setText(Option::autoSave1File, dir.path() + "missing.snp");
  hotkeys.fireAutoSave(1);
  EXPECT_EQ(mainFileValue("Snaprill", "ImageType"), "6");
  EXPECT_EQ(options.value(Option::outputType), kGif);
  EXPECT_FALSE(options.checked(Option::saveAnimation));
  EXPECT_TRUE(h.dialogs.messages.empty()) << "no notice about one-image AVI files";
  EXPECT_EQ(sent(), kPrintScreen);

  h.capture();
  EXPECT_TRUE(std::filesystem::exists(dir.path() + "snp1.gif"));
  EXPECT_EQ(options.value(Option::outputType), kAvi);
  EXPECT_TRUE(options.checked(Option::saveAnimation));
  // The file named but gone: said once the capture is saved, in the status line.
  EXPECT_EQ(h.status.statusText(), "The options file " + dir.path() +
                                       "missing.snp was not found: the capture was saved with "
                                       "the current settings.");
  EXPECT_TRUE(h.dialogs.errors.empty());
  // An empty field: the capture is taken with the current options, as single images,
  // and nothing needs saying.
  hotkeys.fireAutoSave(2);
  h.capture();
  EXPECT_TRUE(std::filesystem::exists(dir.path() + "snp2.gif"));
  EXPECT_EQ(options.value(Option::outputType), kAvi);
  EXPECT_EQ(h.status.statusText(), "2/99999 pictures");
}

TEST_F(HotkeysTest, TheUsersSettingsSurviveAnAutoSaveWithoutItsCapture) {
  // Saved settings files name the options files too.
  test::writeFile(dir.path() + "a.snp",
                  "[General]\nFilenamePrefix=a\nOptions2=" + dir.path() + "b.snp\n");
  test::writeFile(dir.path() + "b.snp", "[General]\nFilenamePrefix=b\n");
  options.setText(Option::autoSave1File, dir.path() + "a.snp");
  options.setText(Option::autoSave2File, dir.path() + "b.snp");
  options.setText(Option::filePrefix, "mine");
  // A second row pressed before the first row's capture arrived.
  hotkeys.fireAutoSave(1);
  hotkeys.fireAutoSave(2);
  EXPECT_EQ(mainFileValue("General", "FilenamePrefix"), "mine");
  EXPECT_EQ(options.text(Option::filePrefix), "b");
  h.capture();
  EXPECT_TRUE(std::filesystem::exists(dir.path() + "b1.jpg"));
  EXPECT_EQ(options.text(Option::filePrefix), "mine");
  // No capture at all before the program closes.
  hotkeys.fireAutoSave(1);
  h.settings.close();
  EXPECT_EQ(mainFileValue("General", "FilenamePrefix"), "mine");
  EXPECT_EQ(options.text(Option::filePrefix), "mine");
}

TEST(AutoSaveFileField, LeftButtonChoosesAFileAnyOtherClears) {
  Options options;
  fake::FakeDialogs dialogs;
  dialogs.nextFile = "/home/me/one.snp";
  autoSaveFileClicked(options, dialogs, Option::autoSave2File, true);
  EXPECT_EQ(options.text(Option::autoSave2File), "/home/me/one.snp");
  EXPECT_EQ(dialogs.fileDialogs,
            std::vector<std::string>{
                "Snaprill|Snaprill Autosave Settings (*.snp)|*.snp|All Files (*.*)|*.*"});
  dialogs.nextFile.reset();  // cancelled
  autoSaveFileClicked(options, dialogs, Option::autoSave2File, true);
  EXPECT_EQ(options.text(Option::autoSave2File), "/home/me/one.snp");
  autoSaveFileClicked(options, dialogs, Option::autoSave2File, false);
  EXPECT_EQ(options.text(Option::autoSave2File), "");
}

}  // namespace
}  // namespace snaprill
