// Output naming: directory + prefix + number + extension, and the counter that only
// grows during a run.
#include <cstdio>

#include "capture/engine.h"

namespace snaprill {

std::string CaptureEngine::FormatImageNumber(int number) const {
  char buf[16];
  std::snprintf(buf, sizeof buf, options.checked(Option::zeroPadNumbers) ? "%.5d" : "%d", number);
  return buf;
}

std::string CaptureEngine::BuildOutputName(int number, const std::string& extension) const {
  return options.text(Option::outputDir) + options.text(Option::filePrefix) +
         FormatImageNumber(number) + extension;
}

std::optional<std::string> CaptureEngine::AllocateOutputName(const std::string& extension) {
  while (ImageCounter < kMaxImageNumber) {
    ++ImageCounter;
    std::string candidate = BuildOutputName(ImageCounter, extension);
    // A folder of that name does not hold the number back; the write will fail.
    if (options.checked(Option::overwriteFiles) || !isRegularFileOrOther(candidate))
      return candidate;
  }
  return std::nullopt;
}

void CaptureEngine::Edit3Change() {
  const std::string& text = options.text(Option::filePrefix);
  std::string cleaned;
  cleaned.reserve(text.size());
  for (char ch : text) {
    switch (ch) {
      case '\\':
      case '/':
      case ':':
      case '*':
      case '?':
      case '"':
      case '<':
      case '>':
      case '|':
        break;
      default:
        cleaned += ch;
    }
  }
  const int caret = prefixCaret;
  if (cleaned != text) options.setText(Option::filePrefix, cleaned);  // runs this reaction again
  prefixCaret = static_cast<int>(cleaned.size()) < caret ? static_cast<int>(cleaned.size()) : caret;
  snp1_jpg = cleaned + "1.jpg";
}

void CaptureEngine::overwriteClick() {
  if (!options.checked(Option::overwriteFiles)) return;
  const std::string warning =
      replaceIgnoringCase(texts.get("Settings", "OverwriteWarning"), "\\n", "\r");
  if (!platform.dialogs.confirm(warning)) options.setChecked(Option::overwriteFiles, false);
}

}  // namespace snaprill
