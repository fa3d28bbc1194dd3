// The model of the main window's option controls: the one in-memory copy of every
// option. The Qt window shows and edits it, the settings files load and save it,
// the capture cycle reads it at the moment of use. Controls carry the names the
// window gives them; each knows its kind, default, range and list entry count.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace snaprill {

enum class ControlKind : std::uint8_t {
  Check,     // checkbox or radio button: 0 or 1
  Number,    // spin edit or scroll bar: an integer, clamped to [min, max]
  List,      // drop-down list: an item index, -1 for no selection
  Text,      // edit field: a string of at most maxLength characters (0: no limit)
  Colour,    // colour swatch: 0x00BBGGRR, negative values name system colours
  Shortcut,  // hotkey field: 16-bit shortcut (virtual key | 0x2000 Shift | 0x4000 Ctrl | 0x8000
             // Alt)
};

// Control identifiers, named after the window's controls. Values that the window
// holds outside a control of its own (the two qualities behind `Spin`, the text
// font, the window geometry, the output directory) have descriptive names.
enum class C : std::uint16_t {
  // Top strip and "Snaprill" section.
  tyyp,
  Spin,
  JpegQuality,
  PngLevel,
  FormTop,
  FormLeft,
  ClientHeight,
  savelastpic,
  noclipstart,
  noclipresume,
  pauseafterstart,
  ikoon_alati,
  run_autom,
  overwrite,
  // "General" page.
  OutputDir,
  defaultDir,
  userDir,
  Edit3,
  addzeros,
  simulate,
  aktiivneaken,
  hotkey2,
  hotkey1,
  h1,
  h2,
  h3,
  hk1,
  hk2,
  hk3,
  opt1,
  opt2,
  opt3,
  // "Image" page.
  addtext,
  Edit2,
  tekstiasukoht,
  taustav2rv,
  background,
  FontColour,
  FontName,
  FontSize,
  FontStyle,  // bit set of FontStyleBits
  X,
  Y,
  lisakursor,
  addpic,
  addpic_x,
  addpic_y,
  // "GIF" page.
  saveanimation,
  SpinEdit1,
  SpinEdit2,
  geiskaala,
  optimize,
  // "TIFF, TGA, BMP" page.
  bitid,
  blackandwhite,
  bitmappix,
  // "Dimensions & Effects" page.
  l6ikapilti,
  aknavasak,
  aknaylevalt,
  aknalaius,
  aknak6rgus,
  resizeautom,
  pildilaius,
  pildik6rgus,
  invertcolors,
  emboss,
  grayscale,
  pixelize,
  pixlev,
  blur,
  blurlev,
  // "Automation" page.
  taimeriaeg,
  ajakast,
  l6petap2rast,
  l6petapildid,
  p2rast,
  p2rast_aeg,
  openimages,
  proge,
  parameetrid,
  align,
  tablecol,
  imwidth,
  imheight,
  hyperlinks,
  Count_
};

inline constexpr int kControlCount = static_cast<int>(C::Count_);

enum FontStyleBits : int { kBold = 1, kItalic = 2, kUnderline = 4, kStrikeOut = 8 };

// Output type indexes of `tyyp`.
enum ImageType : int {
  kJpeg = 0,
  kPng = 1,
  kGif = 2,
  kBitmap = 3,
  kMetafile = 4,
  kTiff = 5,
  kAvi = 6,
  kTarga = 7,
  kPcx = 8,
};

struct ControlSpec {
  C id;
  const char* name;
  ControlKind kind;
  int defaultValue;         // the form's value for Check, Number, List, Colour, Shortcut
  int min;                  // Number: lower limit (INT32_MIN: none)
  int max;                  // Number: upper limit (INT32_MAX: none); List: entry count
  const char* defaultText;  // Text: the form's text
  int maxLength;            // Text: 0 means no limit
};

const ControlSpec& specOf(C id);
const std::vector<ControlSpec>& allControlSpecs();

class Controls {
 public:
  Controls();

  int value(C id) const { return values_[index(id)]; }
  bool checked(C id) const { return values_[index(id)] != 0; }
  const std::string& text(C id) const { return texts_[index(id)]; }

  // Sets a control as if the user had changed it: the value is clamped to the
  // control's range (Number), an out-of-range index becomes -1 (List), a shortcut
  // keeps its low 16 bits, a text is cut to its maximum length, and the six crop and
  // resize fields turn a negative value into 0; when the stored value changes, the
  // control's reaction runs.
  void setValue(C id, long long v);
  void setChecked(C id, bool on) { setValue(id, on ? 1 : 0); }
  void setText(C id, std::string_view text);

  // Changes a Number control's range (the scroll bar's range follows the output
  // type); the value is clamped into the new range, running the reaction on a change.
  void setRange(C id, int min, int max);
  int rangeMin(C id) const { return mins_[index(id)]; }
  int rangeMax(C id) const { return maxs_[index(id)]; }

  // Enabled state, as the window greys out controls (only `Spin` and its label use it).
  bool enabled(C id) const { return enabled_[index(id)]; }
  void setEnabled(C id, bool on) { enabled_[index(id)] = on; }

  // The change reaction of a control; one per control, replacing an earlier one.
  void onChange(C id, std::function<void()> reaction);

  // Every control back to the form's value; reactions do not run.
  void resetToDefaults();

  // The capture hotkeys may not share a key while both are switched on: when
  // `hotkey1` equals `hotkey2` and both `simulate` and `aktiivneaken` are checked,
  // both boxes are unchecked. Runs by itself when any of those boxes or of the five
  // key controls changes; the settings load runs it once more after both keys.
  void hotkeyConflictCheck();
  // While deferred, changes do not run the check (explicit calls still do): a load
  // sets the boxes before the keys, and checking the file's boxes against the keys
  // still in the controls would switch off a pair that the file holds apart.
  void deferHotkeyCheck(bool deferred) { hotkeyCheckDeferred_ = deferred; }

 private:
  static std::size_t index(C id) { return static_cast<std::size_t>(id); }
  void changed(C id);

  std::vector<int> values_;
  std::vector<std::string> texts_;
  std::vector<int> mins_;
  std::vector<int> maxs_;
  std::vector<bool> enabled_;
  std::vector<std::function<void()>> reactions_;
  bool hotkeyCheckDeferred_ = false;
};

}  // namespace snaprill
