// Where the program keeps its files. The executable's own folder when it is
// writable (portable use); otherwise the XDG config folder for settings and language
// files and the XDG pictures folder as the default output. SNAPRILL_HOME overrides
// all of these with one folder. Every path returned ends with "/".
//
// Settings and pictures never come from a folder that other users can change: a
// settings file planted there would choose the program that each capture starts.
// A folder is fit when it and every folder above it belong to the user or to root,
// no other user may write to it, and a folder above it that others may write to
// is sticky (/tmp), so that nobody else can move or replace what it holds; a
// symbolic link on the way must belong to the user or to root too. Without HOME the
// home folder comes from the password database; no fit folder at all, and the
// programs refuse to start.
#pragma once

#include <sys/types.h>
#include <optional>
#include <stdexcept>
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
  // The capture history's folder: $XDG_DATA_HOME/snaprill/ (~/.local/share/snaprill/)
  // for an installed program, beside the settings for a portable copy and with
  // SNAPRILL_HOME. Made only when the history is written to.
  std::string historyDir;
};

// No folder fit for settings or pictures: what() says which were looked at and why
// each is unfit, and what the user can do.
class NoFitFolder : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where the shipped files are for an executable in executableDir: the first of the
// executable's folder and ../share/snaprill/ that holds english.ini, else the
// executable's folder.
std::string locateDataDir(const std::string& executableDir);

// Works the folders out once from the environment and the executable's location,
// making the settings folder when it is missing. Throws NoFitFolder.
ProgramDirectories locateProgramDirectories();

// locateProgramDirectories() for a program's start: when no folder is fit, nothing,
// after "PROGRAM: why" on stderr.
std::optional<ProgramDirectories> programDirectoriesOrRefusal(const char* program);

// The user's XDG config folder, without a trailing "/": $XDG_CONFIG_HOME when it is
// an absolute path to a fit folder, else .config in the home folder; empty when
// neither is fit.
std::string userConfigHome();

// Why folder is not fit for settings or pictures (see above), or "" when it is. A
// folder that is not there yet is judged by the nearest folder above it that is:
// the one it would be made in.
std::string unfitFolderReason(const std::string& folder);

// Appends "/" unless the path already ends with one (an empty path stays empty).
std::string withTrailingSlash(const std::string& path);
// The folder part of a file's path, with its "/"; empty for a name without one.
std::string folderOf(const std::string& path);
bool isDirectory(const std::string& path);
bool isRegularFileOrOther(const std::string& path);  // exists and is not a directory
// Creates the folder and its missing parents (mode: as mkdir's, less the umask). A
// symbolic link whose folder is gone has that folder made again, so that the link
// leads somewhere again. Returns 0, or the system's error number (errno) of what
// could not be made.
int makeDirectories(const std::string& path, mode_t mode = 0777);

}  // namespace snaprill
