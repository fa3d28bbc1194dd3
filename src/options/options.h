// The options layer: the option table and the options model, the language texts,
// and the reactions of options that are the user's choices (quality bar, type
// choice, overwrite warning).
//
// The options model: the one in-memory copy of every option. The main window shows
// and edits it, the settings files load and save it, the capture cycle reads it at
// the moment of use. One table (option_table.cpp) says of each option its kind,
// default, range or list entry count, and its key in the settings files; any number
// of watchers hear of its changes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/callbacks.h"
#include "platform/services.h"

namespace snaprill {

enum class OptionKind : std::uint8_t {
  Check,     // checkbox or radio button: 0 or 1
  Number,    // spin edit or scroll bar: an integer, clamped to [min, max]
  List,      // drop-down list: an item index, -1 for no selection
  Text,      // edit field: a string of at most maxLength characters (0: no limit)
  Colour,    // colour swatch: 0x00BBGGRR, negative values name system colours
  Shortcut,  // hotkey field: 16-bit shortcut (virtual key | 0x2000 Shift | 0x4000 Ctrl | 0x8000
             // Alt)
};

// Every option. A few are values the window holds outside a field of their own
// (the two qualities behind the quality bar, the text font, the window geometry).
enum class Option : std::uint16_t {
  // Top strip and "Snaprill" section.
  outputType,
  qualityBar,
  jpegQuality,
  pngLevel,
  webpQuality,
  avifQuality,
  jxlQuality,
  windowTop,
  windowLeft,
  clientHeight,
  rememberLastNumber,
  keepClipboardAtStart,
  keepClipboardOnResume,
  startPaused,
  trayIconAlways,
  runAtLogin,
  overwriteFiles,
  takeImageWithText,  // also take a picture offered together with plain text
  // Print Screen copies the screen to the clipboard (X11 has nobody else to do it).
  printKeyCopiesScreen,
  // The capture history: recorded at all; the applications whose captures are
  // never read for text (names separated by ";"); whether the first start after an
  // upgrade has offered to index the output folder.
  historyEnabled,
  historyNeverRead,
  historyOffered,
  // "General" page.
  outputDir,
  useDefaultDir,
  useChosenDir,
  filePrefix,
  zeroPadNumbers,
  captureScreenOnKey,
  captureActiveWindowOnKey,
  screenKey,
  activeWindowKey,
  autoSave1,
  autoSave2,
  autoSave3,
  autoSave1Key,
  autoSave2Key,
  autoSave3Key,
  autoSave1File,
  autoSave2File,
  autoSave3File,
  // "Image" page.
  addText,
  captureText,
  textPosition,
  textBackgroundColour,
  fillTextBackground,
  textColour,
  textFontName,
  textFontSize,
  textFontStyle,  // bit set of TextStyleBits
  textOffsetX,
  textOffsetY,
  addCursor,
  addOverlay,
  overlayX,
  overlayY,
  // "GIF" page.
  saveAnimation,
  animationFrameCount,
  frameDelay,
  gifGrayscale,
  optimizeAnimation,
  // "TIFF, TGA, BMP" page.
  tiffDepth,
  targaBlackAndWhite,
  bitmapDepth,
  // "Dimensions & Effects" page.
  crop,
  cropLeft,
  cropTop,
  cropWidth,
  cropHeight,
  autoResize,
  resizeWidth,
  resizeHeight,
  invertColours,
  emboss,
  grayscale,
  pixelize,
  pixelizeLevel,
  blur,
  blurLevel,
  // "Automation" page.
  automationPeriod,
  automationUnit,
  automationStopAfter,
  automationStopCount,
  automationDelayed,
  automationDelay,
  openInExternalProgram,
  externalProgram,
  externalParameters,
  galleryAlign,
  galleryColumns,
  galleryImageWidth,
  galleryImageHeight,
  galleryLinks,
  Count_
};

inline constexpr int kOptionCount = static_cast<int>(Option::Count_);

// The output types, as indexes of the type list (stored as such in settings files).
enum OutputType : int {
  kJpeg = 0,
  kPng = 1,
  kGif = 2,
  kBitmap = 3,
  kMetafile = 4,
  kTiff = 5,
  kAvi = 6,
  kTarga = 7,
  kPcx = 8,
  kWebp = 9,
  kAvif = 10,
  kJpegXl = 11,
};

inline constexpr int kOutputTypeCount = 12;

// How a settings file writes an option's value.
enum class ValueType : std::uint8_t {
  Int,         // signed decimal; "0x..." hexadecimal on reading
  Bool,        // "1" or "0"; any non-zero integer reads as true
  String,      // the text as it is
  Colour,      // int: 0x00BBGGRR, negative values name system colours
  Shortcut,    // int: virtual key | 0x2000 Shift | 0x4000 Ctrl | 0x8000 Alt
  Index,       // int: entry of a list; one outside the list reads as missing
  FontStyle,   // the letters b, i, u and s
  PagesShown,  // 1 while the option pages show, which the client height stands for
};

// What a settings file without the key, or with a value that cannot be read, gives.
enum class Missing : std::uint8_t {
  Default,       // the option's default
  FileDefault,   // a value of its own (fileDefault)
  Current,       // the value the option holds
  OutputFolder,  // the default output directory
};

// An option's place in the settings files.
struct Setting {
  const char* section = nullptr;  // nullptr: no file holds the option
  const char* key = nullptr;
  ValueType type = ValueType::Int;
  Missing missing = Missing::Default;
  int fileDefault = 0;
  // Read only by a full load: the program's start and File > Load Settings.
  bool startupOnly = false;

  constexpr Setting current() const {
    Setting s = *this;
    s.missing = Missing::Current;
    return s;
  }
  constexpr Setting orOutputFolder() const {
    Setting s = *this;
    s.missing = Missing::OutputFolder;
    return s;
  }
  constexpr Setting missingGives(int value) const {
    Setting s = *this;
    s.missing = Missing::FileDefault;
    s.fileDefault = value;
    return s;
  }
  constexpr Setting atStartupOnly() const {
    Setting s = *this;
    s.startupOnly = true;
    return s;
  }
};

// One row of the option table: everything known about an option.
struct OptionSpec {
  Option id;
  const char* name;
  OptionKind kind;
  int defaultValue;         // Check, Number, List, Colour, Shortcut
  int min;                  // Number: lower limit (INT32_MIN: none)
  int max;                  // Number: upper limit (INT32_MAX: none); List: entry count
  const char* defaultText;  // Text
  int maxLength;            // Text: 0 means no limit
  Setting setting;
};

// The option table, in the order of Option: also the order in which settings files
// hold the keys.
const OptionSpec& specOf(Option id);
const std::vector<OptionSpec>& allOptionSpecs();

class Options {
 public:
  Options();

  int value(Option id) const { return values_[index(id)]; }
  bool checked(Option id) const { return values_[index(id)] != 0; }
  const std::string& text(Option id) const { return texts_[index(id)]; }

  // Sets an option as if the user had changed it: the value is clamped to the
  // option's range (Number), an out-of-range index becomes -1 (List), a shortcut
  // keeps its low 16 bits, a text is cut to its maximum length, the file prefix
  // loses the characters a file name may not hold, and the six crop and resize
  // fields turn a negative value into 0; when the stored value changes, the option's
  // watchers run.
  void setValue(Option id, long long v);
  void setChecked(Option id, bool on) { setValue(id, on ? 1 : 0); }
  void setText(Option id, std::string_view text);

  // Changes a Number option's range (the quality bar's range follows the output
  // type); the value is clamped into the new range, running the watchers on a change.
  void setRange(Option id, int min, int max);
  int rangeMin(Option id) const { return mins_[index(id)]; }
  int rangeMax(Option id) const { return maxs_[index(id)]; }

  // Enabled state, as the window greys out a field (only the quality bar uses it).
  bool enabled(Option id) const { return enabled_[index(id)]; }
  void setEnabled(Option id, bool on) { enabled_[index(id)] = on; }

  // Calls reaction after every change of the option, after the watchers that came
  // before it. A watcher may change options itself (its own included). A watcher
  // removed while a change is being told is not called any more; one added then
  // hears from the next change on.
  struct WatchId {
    Option option;
    Callbacks::Id id;
  };
  WatchId watch(Option id, std::function<void()> reaction);
  void unwatch(WatchId watch);

  // Every option back to its default; watchers do not run.
  void resetToDefaults();

  // Every value as it is now, without the watchers: the options a capture was
  // taken with, which its write goes on using while the options change (an
  // auto-save capture is written after the user's own settings are back).
  Options snapshot() const;

  // The capture hotkeys may not share a key while both are switched on: when the
  // screen key equals the active-window key and both capture boxes are checked, both
  // boxes are unchecked. Runs by itself when any of those boxes or of the five keys
  // changes; a settings load runs it once, after every key is in.
  void hotkeyConflictCheck();
  // While deferred, changes do not run the check (explicit calls still do): a load
  // sets the boxes before the keys, and checking the file's boxes against the keys
  // still in the options would switch off a pair that the file holds apart.
  void deferHotkeyCheck(bool deferred) { hotkeyCheckDeferred_ = deferred; }

 private:
  static std::size_t index(Option id) { return static_cast<std::size_t>(id); }
  void changed(Option id);

  std::vector<int> values_;
  std::vector<std::string> texts_;
  std::vector<int> mins_;
  std::vector<int> maxs_;
  std::vector<bool> enabled_;
  std::vector<Callbacks> watchers_;  // by option
  bool hotkeyCheckDeferred_ = false;
};

}  // namespace snaprill
