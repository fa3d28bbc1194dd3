// The automation on a fake clock: its timers and the capture cycle run on one
// timeline, so pauses, delays and periods meet as they would in the program.
#include "triggers/automation.h"

#include <gtest/gtest.h>

#include "support/cycle_on_fakes.h"

namespace snaprill {
namespace {

class AutomationTest : public ::testing::Test, protected fake::FakeServices {
 protected:
  AutomationTest() {
    options.setValue(Option::automationUnit, 0);  // milliseconds
    options.setValue(Option::automationPeriod, 100);
  }

  Platform onTimeline() {
    Platform p = makePlatform(testing::dirsIn("/nonexistent/"));
    p.newTimer = [this] { return timeline.newTimer(); };
    return p;
  }
  // Print Screen sequences sent so far.
  std::size_t presses() const { return keys.sent.size() / 2; }
  bool idle() { return !automation.periodTimer().enabled() && !automation.delayTimer().enabled(); }

  fake::FakeTimeline timeline;
  Platform platform = onTimeline();
  Options options;
  Texts texts;
  SaveState state{options};
  CaptureCycle cycle{options, texts, state, platform};
  fake::FakeKeyboard keyboard;
  fake::FakeKeyInjector keys{&keyboard};
  Automation automation{options, texts, cycle, platform, keyboard, keys};
};

TEST_F(AutomationTest, StopAfterOneSendsOnePressOnePeriodAfterStart) {
  options.setValue(Option::automationUnit, 1);  // seconds
  options.setValue(Option::automationPeriod, 1);
  options.setChecked(Option::automationStopAfter, true);
  options.setValue(Option::automationStopCount, 1);
  EXPECT_EQ(automation.linkText(), "Start");
  automation.toggleAutomation();
  EXPECT_EQ(automation.linkText(), "Stop");
  EXPECT_FALSE(options.enabled(Option::automationPeriod));
  EXPECT_FALSE(options.enabled(Option::automationUnit));
  timeline.advance(999);
  EXPECT_EQ(presses(), 0u);
  timeline.advance(1);
  EXPECT_EQ(presses(), 1u);
  ASSERT_EQ(keys.sent.size(), 2u);
  EXPECT_TRUE(keys.sent[0].down);
  EXPECT_FALSE(keys.sent[1].down);
  EXPECT_EQ(keys.sent[0].keysym, 0xFF61u);  // Print
  EXPECT_TRUE(idle());
  EXPECT_EQ(automation.linkText(), "Start");
  EXPECT_TRUE(options.enabled(Option::automationPeriod));
  EXPECT_EQ(automation.automationCount(), 0);
  timeline.advance(5000);
  EXPECT_EQ(presses(), 1u);
}

TEST_F(AutomationTest, ModifiersHeldWhenAPeriodEndsStayOutOfItsPrintScreen) {
  constexpr unsigned long kShiftL = 0xFFE1, kSuperR = 0xFFEC, kPrint = 0xFF61;
  keyboard.press(kShiftL);  // as while typing
  keyboard.press(kSuperR);
  automation.toggleAutomation();
  timeline.advance(100);
  std::vector<std::pair<unsigned long, bool>> sent;
  for (const KeyStroke& s : keys.sent) sent.emplace_back(s.keysym, s.down);
  const std::vector<std::pair<unsigned long, bool>> expected = {{kShiftL, false}, {kSuperR, false},
                                                                {kPrint, true},   {kPrint, false},
                                                                {kShiftL, true},  {kSuperR, true}};
  EXPECT_EQ(sent, expected);
  EXPECT_TRUE(keyboard.isDown(kShiftL) && keyboard.isDown(kSuperR)) << "held again";
}

TEST_F(AutomationTest, TheLimitIsReadAtEveryTick) {
  automation.toggleAutomation();
  timeline.advance(300);
  EXPECT_EQ(automation.automationCount(), 3);
  // A limit already below the count stops the run at the next tick.
  options.setChecked(Option::automationStopAfter, true);
  options.setValue(Option::automationStopCount, 2);
  timeline.advance(100);
  EXPECT_EQ(presses(), 4u);
  EXPECT_TRUE(idle());
  // The period is read at the start only.
  automation.toggleAutomation();
  options.setValue(Option::automationPeriod, 5000);
  options.setChecked(Option::automationStopAfter, false);
  timeline.advance(100);
  EXPECT_EQ(presses(), 5u);
}

TEST_F(AutomationTest, TheDelayPostponesTheFirstPeriodAndAClickEndsIt) {
  options.setChecked(Option::automationDelayed, true);
  options.setValue(Option::automationDelay, 500);
  automation.toggleAutomation();
  EXPECT_EQ(automation.linkText(), "Stop");
  timeline.advance(599);
  EXPECT_EQ(presses(), 0u);
  timeline.advance(1);
  EXPECT_EQ(presses(), 1u) << "delay plus one period";
  automation.toggleAutomation();
  EXPECT_TRUE(idle());

  automation.toggleAutomation();
  timeline.advance(499);
  automation.toggleAutomation();  // still waiting
  EXPECT_TRUE(idle());
  EXPECT_EQ(automation.linkText(), "Start");
  timeline.advance(10000);
  EXPECT_EQ(presses(), 1u);

  // No delay to wait for: the run starts at once.
  options.setValue(Option::automationDelay, 0);
  automation.toggleAutomation();
  EXPECT_TRUE(automation.periodTimer().enabled());
  EXPECT_FALSE(automation.delayTimer().enabled());
}

TEST_F(AutomationTest, APauseSuspendsARunAndTheResumeContinuesIt) {
  automation.toggleAutomation();
  timeline.advance(250);
  cycle.togglePause();
  timeline.advance(1000);
  EXPECT_EQ(presses(), 2u);
  EXPECT_EQ(automation.linkText(), "Stop");
  cycle.togglePause();
  timeline.advance(100);
  EXPECT_EQ(presses(), 3u);
  EXPECT_EQ(automation.automationCount(), 3) << "the same run";
  // A pause while the automation is idle does not start it on resume.
  automation.toggleAutomation();
  cycle.togglePause();
  cycle.togglePause();
  EXPECT_TRUE(idle());
}

TEST_F(AutomationTest, APauseWhileWaitingDoesNotHoldTheDelay) {
  options.setChecked(Option::automationDelayed, true);
  options.setValue(Option::automationDelay, 500);
  automation.toggleAutomation();
  timeline.advance(100);
  cycle.togglePause();
  timeline.advance(500);
  EXPECT_EQ(presses(), 1u) << "the delay ended during the pause and the run began";
  EXPECT_TRUE(cycle.paused());
}

TEST_F(AutomationTest, AClickWhilePausedDuringARunStartsANewRun) {
  automation.toggleAutomation();
  timeline.advance(250);
  cycle.togglePause();
  automation.toggleAutomation();  // neither timer runs: the start branch
  EXPECT_EQ(automation.linkText(), "Stop");
  EXPECT_EQ(automation.automationCount(), 0);
  timeline.advance(100);
  EXPECT_EQ(presses(), 3u) << "the new run sends while the cycle is paused";
  cycle.togglePause();
  timeline.advance(100);
  EXPECT_EQ(automation.automationCount(), 2);
}

TEST_F(AutomationTest, ThePeriodFitsThirtyTwoBits) {
  options.setValue(Option::automationUnit, 2);  // minutes
  options.setValue(Option::automationPeriod, 35791);
  EXPECT_EQ(automation.periodMilliseconds(), 2147460000);
  automation.toggleAutomation();
  EXPECT_EQ(automation.periodTimer().interval(), 2147460000);
  automation.toggleAutomation();
  options.setValue(Option::automationPeriod, 99999);  // held at the field's limit
  EXPECT_EQ(automation.periodMilliseconds(), 2147460000);
  options.setValue(Option::automationUnit, 1);
  options.setValue(Option::automationPeriod, 3);
  EXPECT_EQ(automation.periodMilliseconds(), 3000);
  options.setValue(Option::automationUnit, -1);  // no unit chosen: seconds
  EXPECT_EQ(automation.periodMilliseconds(), 3000);
}

TEST_F(AutomationTest, TheLinkSpeaksTheCurrentLanguage) {
  texts.set("Timers", "Stop", "Halt");
  texts.set("Timers", "Start", "Los");
  EXPECT_EQ(automation.linkText(), "Los");
  int told = 0;
  automation.changed.add([&] { ++told; });
  automation.toggleAutomation();
  EXPECT_EQ(automation.linkText(), "Halt");
  EXPECT_EQ(told, 1);
}

}  // namespace
}  // namespace snaprill
