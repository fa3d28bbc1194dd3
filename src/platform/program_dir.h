// Where the program keeps its files. The executable's own folder when it is
// writable (portable use); otherwise the XDG config folder for settings and language
// files and the XDG pictures folder as the default output. SNAPRILL_HOME overrides
// all of these with one folder. Every path returned ends with "/".
#pragma once

#include <string>

namespace snaprill {

struct ProgramDirectories {
  std::string executableDir;   // folder of the running executable
  std::string configDir;       // settings, language and overlay files
  std::string defaultOutput;   // the "Default" output directory
  std::string executablePath;  // full path of the executable (autostart entry)
  // Files shipped with the program (english.ini, the manual): beside the executable
  // in a build folder or portable copy, ../share/snaprill/ in an installed layout.
  std::string dataDir;
};

// Where the shipped files are for an executable in executableDir: the first of the
// executable's folder and ../share/snaprill/ that holds english.ini, else the
// executable's folder.
std::string locateDataDir(const std::string& executableDir);

// Works the folders out once from the environment and the executable's location.
ProgramDirectories locateProgramDirectories();

// Appends "/" unless the path already ends with one (an empty path stays empty).
std::string withTrailingSlash(const std::string& path);
// The folder part of a file's path, with its "/"; empty for a name without one.
std::string folderOf(const std::string& path);
bool isDirectory(const std::string& path);
bool isRegularFileOrOther(const std::string& path);  // exists and is not a directory
// Creates the folder and its missing parents; a failure shows only when a file is
// then written there.
void makeDirectories(const std::string& path);

}  // namespace snaprill
