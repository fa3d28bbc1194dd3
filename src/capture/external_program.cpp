// Hands a written file to the program the user chose.
//
// No shell ever sees the file name or the parameter text. The template is split
// into arguments by the usual quoting rules (whitespace separates; "..." and '...'
// group; a backslash before a quote, a backslash or whitespace takes it literally),
// and each placeholder puts the path into the argument it stands in, byte for byte:
// a name with spaces, quotes, $(...), backquotes, semicolons or newlines stays one
// argument and nothing in it is interpreted.
#include "capture/external_program.h"

#include "base/text.h"
#include "platform/program_dir.h"

#include <cctype>

namespace snaprill {

std::vector<std::string> expandProgramArguments(const std::string& parameters,
                                                const std::string& path) {
  // "%filename" quoted the path and "%shortfilename" did not; split into
  // arguments, the quotes only ever grouped it, so both give the path as is.
  constexpr std::string_view kPlaceholders[] = {"%filename", "%shortfilename"};
  std::vector<std::string> args;
  std::string current;
  bool inArgument = false;
  char quote = 0;
  for (std::size_t i = 0; i < parameters.size();) {
    bool replaced = false;
    for (std::string_view p : kPlaceholders) {
      if (startsWithIgnoringCase(std::string_view(parameters).substr(i), p)) {
        current += path;
        inArgument = true;
        i += p.size();
        replaced = true;
        break;
      }
    }
    if (replaced) continue;
    const char c = parameters[i++];
    if (quote != 0) {
      if (c == quote) {
        quote = 0;
      } else if (c == '\\' && quote == '"' && i < parameters.size() &&
                 (parameters[i] == '"' || parameters[i] == '\\')) {
        current += parameters[i++];
      } else {
        current += c;
      }
      continue;
    }
    if (c == '"' || c == '\'') {
      quote = c;
      inArgument = true;
    } else if (c == '\\' && i < parameters.size() &&
               (parameters[i] == '"' || parameters[i] == '\'' || parameters[i] == '\\' ||
                std::isspace(static_cast<unsigned char>(parameters[i])))) {
      current += parameters[i++];
      inArgument = true;
    } else if (std::isspace(static_cast<unsigned char>(c))) {
      if (inArgument) args.push_back(std::move(current));
      current.clear();
      inArgument = false;
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (inArgument) args.push_back(std::move(current));
  return args;
}

bool launchExternalProgram(Launcher& launcher, const Options& options, const std::string& path) {
  // The file's own folder: the output folder, or the one that stands in for it while
  // it is missing.
  const std::string folder = folderOf(path);
  return launcher.start(options.text(Option::externalProgram),
                        expandProgramArguments(options.text(Option::externalParameters), path),
                        folder.empty() ? options.text(Option::outputDir) : folder);
}

}  // namespace snaprill
