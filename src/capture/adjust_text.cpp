// The capture text: a template with date and time fields, drawn as one line at one
// of six places, on an opaque cell when `background` is checked.
#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "base/text.h"
#include "capture/adjustments.h"

namespace snaprill {

namespace {

enum class Field { Day2, Hour, Hour2, Minute2, Day, Month2, Month, Second2, Year };

struct TemplateField {
  const char* placeholder;
  Field field;
};

// Replaced one after another in this order.
constexpr TemplateField kFields[] = {
    {"%d", Field::Day2},    {"%g", Field::Hour},    {"%h", Field::Hour2},
    {"%i", Field::Minute2}, {"%j", Field::Day},     {"%m", Field::Month2},
    {"%n", Field::Month},   {"%s", Field::Second2}, {"%y", Field::Year},
};

std::string formatField(Field f, const LocalTime& t) {
  const auto two = [](int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.2d", v);
    return std::string(buf);
  };
  switch (f) {
    case Field::Day2:
      return two(t.day);
    case Field::Hour:
      return std::to_string(t.hour);
    case Field::Hour2:
      return two(t.hour);
    case Field::Minute2:
      return two(t.minute);
    case Field::Day:
      return std::to_string(t.day);
    case Field::Month2:
      return two(t.month);
    case Field::Month:
      return std::to_string(t.month);
    case Field::Second2:
      return two(t.second);
    case Field::Year: {
      char buf[16];
      std::snprintf(buf, sizeof buf, "%.4d", t.year);
      return buf;
    }
  }
  return {};
}

// Colour swatches hold 0x00BBGGRR; negative values name system colours, of which
// only the classic defaults of the few a user might pick are known here.
Rgb swatchColour(int value) {
  if (value < 0) {
    switch (value & 0xFF) {
      case 5:   // window background
      case 14:  // highlighted text
        return Rgb{255, 255, 255};
      case 15:  // button face
        return Rgb{192, 192, 192};
      case 13:  // highlight
        return Rgb{0, 0, 128};
      default:
        return Rgb{0, 0, 0};
    }
  }
  const auto v = static_cast<unsigned>(value);
  return Rgb{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
             static_cast<std::uint8_t>(v >> 16)};
}

}  // namespace

std::string Adjustments::expandTextTemplate(const std::string& text) const {
  std::string out = text;
  for (const TemplateField& f : kFields) {
    // Each field reads the clock when its turn comes.
    out = replaceIgnoringCase(out, f.placeholder, formatField(f.field, platform_.clock.now()));
  }
  return replaceIgnoringCase(out, " %+ ", "");
}

TextFont Adjustments::textFont() const {
  TextFont font;
  font.name = options_.text(Option::textFontName);
  font.pointSize = options_.value(Option::textFontSize);
  font.style = options_.value(Option::textFontStyle);
  font.colour = swatchColour(options_.value(Option::textColour));
  return font;
}

void Adjustments::addText(Bitmap& capture) const {
  if (!platform_.text) return;
  std::optional<Rgb> background;
  if (options_.checked(Option::fillTextBackground))
    background = swatchColour(options_.value(Option::textBackgroundColour));
  const TextFont font = textFont();
  const std::string text = expandTextTemplate(options_.text(Option::captureText));
  const TextSize size = platform_.text->measure(text, font);
  const long long w = capture.width();
  const long long h = capture.height();
  const long long x = options_.value(Option::textOffsetX);
  const long long y = options_.value(Option::textOffsetY);
  // C++ division truncates toward zero, as the halves must.
  long long left = 0;
  long long top = 0;
  switch (options_.value(Option::textPosition)) {
    case 0:
      left = x, top = y;
      break;
    case 1:
      left = w - size.width - x, top = y;
      break;
    case 2:
      left = w / 2 - size.width / 2, top = y;
      break;
    case 3:
      left = x, top = h - size.height - y;
      break;
    case 4:
      left = w - size.width - x, top = h - size.height - y;
      break;
    case 5:
      left = w / 2 - size.width / 2, top = h - size.height - y;
      break;
    default:
      break;
  }
  const auto clampInt = [](long long v) {
    return static_cast<int>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
  };
  platform_.text->draw(capture, clampInt(left), clampInt(top), text, font, background);
}

}  // namespace snaprill
