// Which of Tesseract's language data the capture history reads with: worked out by
// the tray program (from its interface language) without loading Tesseract, and
// handed to the reader.
#pragma once

#include <string>

namespace snaprill {

// Where Tesseract's language data is: $TESSDATA_PREFIX, else Debian's folder. Ends
// with "/".
std::string tesseractDataDir();

// The languages to read with, as Tesseract names them ("deu+eng"): the one of the
// interface's language file (by its file name, "german.ini") when its data is in
// dataDir, and English when its data is there; empty when neither is.
std::string readingLanguages(const std::string& languageFile, const std::string& dataDir);

}  // namespace snaprill
