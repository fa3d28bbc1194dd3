// The names of output files as the options make them: the prefix, and the example
// name shown beside it.
#pragma once

#include <string>
#include <string_view>

namespace snaprill {

class Options;

// The prefix without the characters a file name may not hold here or on the
// systems files are copied to: \ / : * ? " < > |
std::string withoutForbiddenCharacters(std::string_view prefix);

// The extension, dot included, of the files the output type writes. An AVI without
// "Save animation" holds single pictures, which are written as GIF files.
std::string_view outputExtension(const Options& options);

// The name of a first capture, without its folder: prefix, number 1 (five digits
// with zeroPadded), extension ("snp1.jpg", "shot_00001.png").
std::string exampleFileName(const Options& options, bool zeroPadded);
// The same with the padding the options choose.
std::string exampleFileName(const Options& options);

}  // namespace snaprill
