// In-memory stand-ins of the platform services, scriptable from tests.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/offer_tracker.h"
#include "platform/platform.h"
#include "platform/services.h"

namespace snaprill::fake {

class FakeTimer : public Timer {
 public:
  void setEnabled(bool on) override { enabled_ = on; }
  bool enabled() const override { return enabled_; }
  void setInterval(int ms) override { interval_ = ms; }
  int interval() const override { return interval_; }
  // One tick, as the real timer would deliver it while enabled.
  void tick() {
    if (enabled_) fire();
  }

 private:
  bool enabled_ = false;
  int interval_ = 0;
};

class FakeClock : public Clock {
 public:
  LocalTime now() const override { return time; }
  // `time` as a point in time (taken for universal time).
  std::chrono::system_clock::time_point instant() const override {
    using namespace std::chrono;
    const year_month_day day{year{time.year}, month{static_cast<unsigned>(time.month)},
                             std::chrono::day{static_cast<unsigned>(time.day)}};
    return sys_days{day} + hours{time.hour} + minutes{time.minute} + seconds{time.second};
  }
  LocalTime time{2026, 3, 7, 9, 5, 0};
};

// A clipboard whose offers the test makes and whose data arrives when the test says
// (arrive()): only then is the capture cycle told, as the real clipboard tells once
// it has read the owner's data. The offer's state is the real watchers' own
// (OfferTracker); only the transfer is made up.
class FakeClipboard : public Clipboard, private OfferTracker::Watcher {
 public:
  explicit FakeClipboard(const Clock& clock)
      : tracker_(*this, std::unique_ptr<Timer>(later_), clock) {}

  PictureSource& pictures() override { return tracker_; }
  // A picture offered together with text counts only when pictures with text are
  // taken; a damaged one counts until it is taken.
  bool hasPicture() const { return tracker_.offered(); }
  // The offered picture's data is here (unless stillArriving): the cycle is told.
  void arrive() {
    if (!hasPicture() || stillArriving) return;
    tracker_.dataArrived();
    later_->tick();
  }
  void setTakePicturesWithText(bool take) override {
    takeWithText_ = take;
    tracker_.follow(counts(), true, source_);
  }
  void offerBitmap(Bitmap b) { offerContent(std::move(b), std::nullopt, false); }
  void offerText(std::string t) { offerContent(std::nullopt, std::move(t), false); }
  // Office programs' copies: text with a picture of it.
  void offerTextAndBitmap(std::string t, Bitmap b) {
    offerContent(std::move(b), std::move(t), false);
  }
  // An offer whose data makes no picture.
  void offerDamagedBitmap() { offerContent(Bitmap(4, 4, 32), std::nullopt, true); }
  // The owner gives the offer up before it was read.
  void loseOffer(LostReason why) { tracker_.lost(why); }
  // Our own offer (the Print Screen stand-in's).
  void offer(Bitmap b, const CaptureSource& source) override {
    ++ownOffers;
    offerContent(std::move(b), std::nullopt, false, source);
  }
  // Empties the clipboard, as the user's program may.
  void clear() { tracker_.drop(); }
  int ownOffers = 0;
  bool hasText() const { return text_.has_value(); }
  // Whether anything at all is offered, whatever it counts as.
  bool holdsAnything() const { return bitmap_.has_value() || text_.has_value(); }
  int clears = 0;
  int leftOffers = 0;  // captures not saved whose offer was left on the clipboard
  bool rowsArriveSlowly = false;
  bool rowsArriveDamaged = false;
  bool stillArriving = false;  // offered, its data not yet read

 private:
  bool counts() const { return bitmap_.has_value() && (!text_ || takeWithText_); }
  void offerContent(std::optional<Bitmap> b, std::optional<std::string> t, bool damaged,
                    std::optional<CaptureSource> source = std::nullopt) {
    bitmap_ = std::move(b);
    text_ = std::move(t);
    damaged_ = damaged;
    source_ = source;
    ++offers_;
    tracker_.follow(counts(), false, source_);
  }

  // With rowsArriveSlowly the picture is handed over blank, and a worker thread
  // fills in its rows afterwards, one at a time, as the real clipboard's decoder
  // may; with rowsArriveDamaged too, it then reports them as not making the picture.
  TakenPicture takeOffered(ArrivingRows* rows) override {
    takenOffer_ = offers_;
    if (damaged_) {
      tracker_.giveUp();
      return {};
    }
    if (rows == nullptr || !rowsArriveSlowly) return {bitmap_->convertedTo(32)};
    auto whole = std::make_shared<const Bitmap>(bitmap_->convertedTo(32));
    Bitmap out(whole->width(), whole->height(), 32);
    std::uint8_t* pixels = out.row(0);
    rows->start(
        out.height(),
        [whole, pixels, damaged = rowsArriveDamaged](const ArrivingRows::Publish& publish) {
          for (int y = 0; y < whole->height(); ++y) {
            std::this_thread::sleep_for(std::chrono::microseconds(50));
            std::memcpy(pixels + static_cast<std::size_t>(y) * whole->stride(), whole->row(y),
                        whole->stride());
            publish(y + 1);
          }
          return !damaged;
        },
        [] {});
    return {std::move(out)};
  }
  // Only the offer taken last: one that came since stays as it is.
  void settleTaken(bool gone) override {
    if (!gone) ++leftOffers;
    if (takenOffer_ != offers_) return;
    if (gone) {
      tracker_.drop();
    } else {
      tracker_.giveUp();
    }
  }
  void emptyClipboard() override {
    bitmap_.reset();
    text_.reset();
    ++clears;
  }

  FakeTimer* later_ = new FakeTimer;  // the tracker's
  OfferTracker tracker_;
  std::optional<Bitmap> bitmap_;
  std::optional<std::string> text_;
  std::optional<CaptureSource> source_;
  bool damaged_ = false;
  bool takeWithText_ = false;
  int offers_ = 0;
  int takenOffer_ = -1;
};

class FakeDialogs : public Dialogs {
 public:
  // whileErrorBoxOpen runs as the event loop of a modal box would: other events,
  // timer ticks included, are handled before the box is closed.
  void errorBox(const std::string& text) override {
    errors.push_back(text);
    if (whileErrorBoxOpen) whileErrorBoxOpen();
  }
  void messageBox(const std::string& text) override { messages.push_back(text); }
  bool confirm(const std::string& text) override {
    confirmations.push_back(text);
    return confirmAnswer;
  }
  std::optional<std::string> openFile(const std::string& title, const std::string& filter,
                                      const std::string& initialDir) override {
    fileDialogs.push_back(title + "|" + filter);
    initialDirs.push_back(initialDir);
    return nextFile;
  }
  std::optional<std::vector<std::string>> openFiles(const std::string& title,
                                                    const std::string& filter,
                                                    const std::string& initialDir) override {
    fileDialogs.push_back(title + "|" + filter);
    initialDirs.push_back(initialDir);
    return nextFiles;
  }
  std::optional<std::string> saveFile(const std::string& title, const std::string& filter,
                                      const std::string&, const std::string& initialDir) override {
    fileDialogs.push_back(title + "|" + filter);
    initialDirs.push_back(initialDir);
    return nextFile;
  }

  bool confirmAnswer = true;
  std::function<void()> whileErrorBoxOpen;
  std::optional<std::string> nextFile;
  std::optional<std::vector<std::string>> nextFiles;
  std::vector<std::string> errors, messages, confirmations, fileDialogs;
  std::vector<std::string> initialDirs;  // of each file dialog, "" for none
};

// The background thread, run when the test says: its work does not begin until
// runNext(), so that what the window's thread does meanwhile, and in which order,
// is the test's to choose.
class FakeBackgroundWork : public BackgroundWork {
 public:
  void start(std::function<void()> work, std::function<void()> done) override {
    work_ = std::move(work);
    done_ = std::move(done);
    ++started;
  }
  bool busy() const { return static_cast<bool>(work_); }
  // The work given, then its `done`, as the event loop runs it once the thread is
  // done; the `done` may give the next piece.
  void runNext() {
    if (const std::function<void()> work = std::exchange(work_, nullptr)) work();
    if (const std::function<void()> done = std::exchange(done_, nullptr)) done();
  }
  void finishNow() override { runNext(); }
  int started = 0;

 private:
  std::function<void()> work_;
  std::function<void()> done_;
};

class FakeTray : public Tray {
 public:
  struct Call {
    TrayOperation op;
    TrayIconRecord record;
  };
  bool notify(TrayOperation op, const TrayIconRecord& record) override {
    calls.push_back({op, record});
    return true;
  }
  std::vector<Call> calls;
};

// Keys pressed and released by the test; listeners hear of each change.
class FakeKeyboard : public KeyboardState {
 public:
  bool isDown(unsigned long keysym) const override {
    return std::find(down_.begin(), down_.end(), keysym) != down_.end();
  }
  void press(unsigned long keysym) {
    if (!isDown(keysym)) down_.push_back(keysym);
    changed.callAll();
  }
  void release(unsigned long keysym) {
    std::erase(down_, keysym);
    changed.callAll();
  }

 private:
  std::vector<unsigned long> down_;
};

// Records what is sent; given a keyboard, the keys show there too, as the display
// server shows injected keys to every listener, the sender included.
class FakeKeyInjector : public KeyInjector {
 public:
  explicit FakeKeyInjector(FakeKeyboard* showsOn = nullptr) : showsOn_(showsOn) {}
  void send(std::span<const KeyStroke> strokes) override {
    for (const KeyStroke& s : strokes) {
      sent.push_back(s);
      if (showsOn_ && s.down) showsOn_->press(s.keysym);
      if (showsOn_ && !s.down) showsOn_->release(s.keysym);
    }
  }
  std::vector<KeyStroke> sent;

 private:
  FakeKeyboard* showsOn_;
};

// Time for timers that run on it: advance() fires every enabled timer whose interval
// has run out, earliest first, as an event loop would; a timer fires one interval
// after it was enabled or given a new interval.
class FakeTimeline {
 public:
  FakeTimeline() = default;
  FakeTimeline(const FakeTimeline&) = delete;  // its timers point at it
  FakeTimeline& operator=(const FakeTimeline&) = delete;

  std::unique_ptr<Timer> newTimer();
  void advance(long long milliseconds);
  long long now() const { return now_; }
  // How many of its timers are enabled.
  int enabledTimers() const;

 private:
  class TimelineTimer;
  long long now_ = 0;
  std::vector<TimelineTimer*> timers_;
};

class FakeLauncher : public Launcher {
 public:
  struct Launch {
    std::string program;
    std::vector<std::string> arguments;
    std::string workingDirectory;
  };
  // Every call is recorded; it answers `starts`.
  bool start(const std::string& program, const std::vector<std::string>& arguments,
             const std::string& workingDirectory) override {
    launches.push_back({program, arguments, workingDirectory});
    return starts;
  }
  std::vector<Launch> launches;
  bool starts = true;
};

class FakeCursorSource : public CursorSource {
 public:
  CursorSnapshot current() override {
    ++snapshots;
    return snapshot;
  }
  CursorSnapshot snapshot;
  int snapshots = 0;
};

class FakeScreenSource : public ScreenSource {
 public:
  ReferenceScreen current() override { return size; }
  ReferenceScreen size;
};

// Text of fixed metrics: each byte is a cell kCharWidth wide and kHeight high,
// drawn as a solid block in the font colour (spaces stay empty).
class FakeTextRenderer : public TextRenderer {
 public:
  static constexpr int kCharWidth = 6;
  static constexpr int kHeight = 13;
  TextSize measure(const std::string& utf8, const TextFont&) override {
    return {kCharWidth * static_cast<int>(utf8.size()), kHeight};
  }
  void draw(Bitmap& target, int x, int y, const std::string& utf8, const TextFont& font,
            const std::optional<Rgb>& background) override {
    drawn.push_back({x, y, utf8, font, background});
    const auto fill = [&target](long long x0, long long y0, long long x1, long long y1, Rgb c) {
      for (long long py = std::max(0LL, y0); py < std::min<long long>(y1, target.height()); ++py)
        for (long long px = std::max(0LL, x0); px < std::min<long long>(x1, target.width()); ++px)
          target.setPixel(static_cast<int>(px), static_cast<int>(py), c);
    };
    const long long w = kCharWidth * static_cast<long long>(utf8.size());
    if (background) fill(x, y, x + w, y + kHeight, *background);
    for (std::size_t i = 0; i < utf8.size(); ++i) {
      if (utf8[i] == ' ') continue;
      const long long cx = x + kCharWidth * static_cast<long long>(i);
      fill(cx, y, cx + kCharWidth, y + kHeight, font.colour);
    }
  }
  struct Call {
    int x, y;
    std::string text;
    TextFont font;
    std::optional<Rgb> background;
  };
  std::vector<Call> drawn;
};

}  // namespace snaprill::fake

namespace snaprill::fake {

std::unique_ptr<Timer> newFakeTimer();

}  // namespace snaprill::fake

namespace snaprill::fake {

// Every fake service in one place, and the platform a capture cycle runs on over them.
// The platform leaves the screen, cursor and text out, so those adjustments draw
// nothing unless a caller points platform.screen, platform.cursor and platform.text
// at the fakes.
struct FakeServices {
  FakeServices() = default;
  FakeServices(const FakeServices&) = delete;  // platforms refer to the members
  FakeServices& operator=(const FakeServices&) = delete;

  Platform makePlatform(const ProgramDirectories& dirs) {
    return Platform{clipboard, dialogs, tray, clock, launcher, newFakeTimer, dirs};
  }

  FakeClock clock;
  FakeClipboard clipboard{clock};
  FakeDialogs dialogs;
  FakeTray tray;
  FakeLauncher launcher;
  FakeScreenSource screen;
  FakeCursorSource cursor;
  FakeTextRenderer text;
  // Not in the platform unless a test puts it there: captures are then written at
  // once.
  FakeBackgroundWork background;
};

}  // namespace snaprill::fake
