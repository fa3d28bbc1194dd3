// Every way of taking a picture asked in order until one gives it, and the reason told
// when none does.
#include "platform/screen_grabber.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace snaprill {
namespace {

// How a way answers: with a picture, with none for a reason, by throwing, or twice
// (its time limit, then the desktop's late answer).
struct WayAnswer {
  enum class Kind { Picture, None, Throws, Twice } kind = Kind::None;
  LostReason reason = LostReason::ScreenNotOffered;
};

struct Asked {
  std::optional<TakenPicture> taken;
  int answers = 0;
  std::vector<std::string> askedWays;
  std::string answeredBy;
};

Asked askWays(const std::vector<WayAnswer>& answers) {
  Asked asked;
  std::vector<GrabWay> ways;
  for (std::size_t i = 0; i < answers.size(); ++i) {
    const std::string name = "way " + std::to_string(i);
    ways.push_back({name, [&asked, name, answer = answers[i]](const GrabRequest&, GrabDone done) {
                      asked.askedWays.push_back(name);
                      switch (answer.kind) {
                        case WayAnswer::Kind::Picture:
                          return done({Bitmap(2, 2, 32), answer.reason});
                        case WayAnswer::Kind::Throws:
                          throw std::length_error("a screen too large for a bitmap");
                        case WayAnswer::Kind::Twice:
                          done({Bitmap(), answer.reason});
                          return done({Bitmap(2, 2, 32), answer.reason});
                        case WayAnswer::Kind::None:
                          return done({Bitmap(), answer.reason});
                      }
                    }});
  }
  askInOrder(
      ways, {},
      [&asked](TakenPicture taken) {
        ++asked.answers;
        asked.taken = std::move(taken);
      },
      [&asked](const std::string& name) { asked.answeredBy = name; });
  return asked;
}

// Faults: a refusal (KWin's, for a program without a desktop file) ended the asking
// instead of making way for the portal; the reason told was the first way's, not the
// one of the way that came nearest (the portal's time limit); a screen too large for
// one way ended them all; a way that answered late after its time limit was heard
// twice.
TEST(AskInOrder, EachWayMakesRoomForTheNextAndTheNearestReasonIsTold) {
  using K = WayAnswer::Kind;
  struct Case {
    const char* what;
    std::vector<WayAnswer> ways;
    bool picture;
    LostReason reason;       // where there is no picture
    std::size_t asked;       // ways asked
    const char* answeredBy;  // the way named as the one that gave it
  };
  const Case cases[] = {
      {"a refusal makes room for the next way",
       {{K::None, LostReason::ScreenRefused}, {K::Picture}},
       true,
       {},
       2,
       "way 1"},
      {"no way is asked after the one that gave the picture",
       {{K::Picture}, {K::Picture}},
       true,
       {},
       1,
       "way 0"},
      {"the nearest reason, not the first",
       {{K::None, LostReason::ScreenRefused},
        {K::None, LostReason::ScreenNotOffered},
        {K::None, LostReason::ScreenTimedOut},
        {K::None, LostReason::ScreenNotOffered}},
       false,
       LostReason::ScreenTimedOut,
       4,
       ""},
      {"no way offered", {{K::None}, {K::None}}, false, LostReason::ScreenNotOffered, 2, ""},
      {"nothing to ask", {}, false, LostReason::ScreenNotOffered, 0, ""},
      {"a way that throws is passed over",
       {{K::Throws}, {K::None, LostReason::ScreenNotOffered}},
       false,
       LostReason::ScreenUnreadable,
       2,
       ""},
      {"a way that answers twice is heard once",
       {{K::Twice, LostReason::ScreenTimedOut}, {K::None, LostReason::ScreenCancelled}},
       false,
       LostReason::ScreenCancelled,
       2,
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Asked asked = askWays(c.ways);
    ASSERT_TRUE(asked.taken);
    EXPECT_EQ(asked.answers, 1);
    EXPECT_EQ(!asked.taken->picture.empty(), c.picture);
    if (!c.picture) {
      EXPECT_EQ(asked.taken->lost, c.reason);
    }
    EXPECT_EQ(asked.askedWays.size(), c.asked);
    EXPECT_EQ(asked.answeredBy, c.answeredBy);
  }
}

}  // namespace
}  // namespace snaprill
