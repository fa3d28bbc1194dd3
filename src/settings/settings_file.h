// The settings layer: every option of the options model stored in and restored
// from INI-format files, walked from the option table (options/option_table.cpp),
// together with what a settings file holds beyond the options (the counter, the
// overlay picture file, the autostart entry, the language file), and the auto-save
// hotkeys' one capture with the options of another file.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "capture/capture_cycle.h"
#include "capture/capture_reporter.h"
#include "options/texts.h"
#include "platform/program_dir.h"

namespace snaprill {

// What a load found beyond the options.
struct LoadedSettings {
  // The file gave the window's place (Top or Left): the window goes there.
  bool windowPositionStored = false;
  // A full load: the language file it applied.
  std::string languageFile;
};

// Every key a save writes (section, key), in the order it writes them.
std::vector<std::pair<std::string, std::string>> savedKeys();

class SettingsFiles : private CaptureObserver {
 public:
  // With a cycle, a full load that finds "Pause Snaprill after starting" checked
  // pauses it (or resumes it when it is paused), and the auto-save captures bring
  // the user's settings back; snaprill-batch has none. Errors of what runs by itself
  // (the save a moment after a change, the return after an auto-save capture) go to
  // the reporter. Everything given outlives the settings files.
  SettingsFiles(Options& options, Texts& texts, SaveState& state, const ProgramDirectories& dirs,
                CaptureCycle* cycle = nullptr, CaptureReporter* reporter = nullptr);
  ~SettingsFiles() override;
  SettingsFiles(const SettingsFiles&) = delete;
  SettingsFiles& operator=(const SettingsFiles&) = delete;

  // The program's own settings file, snaprill.ini in the settings folder.
  std::string mainFile() const;

  // Writes the autostart entry, every key of the schema into file, and the overlay
  // picture file. The keys replace the file in one step, or not at all when it holds
  // them already: throws FileError (SettingsNotWritten) ("Unable to write to %s")
  // when it cannot be written (or is locked), and the file then stays as it was.
  void save(const std::string& file);
  // Reads file into the options; with full, also the start-up-only keys, the
  // language file and the overlay picture. A missing file reads as empty (every
  // default). "Default" or "User specified" is chosen by whether the output folder it
  // gives is the default one.
  LoadedSettings load(const std::string& file, bool full);
  // The start-up: the defaults, the full load of file, and the output directory
  // settled.
  LoadedSettings loadStartup(const std::string& file);
  // The output directory made to end with "/" (an empty one is the default). One
  // that is missing stays: captures go to the default output folder until it is
  // there (see OutputNames).
  void settleOutputDirectory();
  // Applies a language file (looking for its help file beside the shipped files).
  void loadLanguage(const std::string& file);

  // From here on (the window, once started): whatever an option change (or a capture
  // whose number is remembered) leaves to save goes into the main settings file
  // kSaveDelay milliseconds after the last change, so that a crash or a display
  // gone costs no choice made before. One timer, restarted by each change; none
  // runs while nothing changes. Errors go to the reporter.
  void saveChangesSoon(std::unique_ptr<Timer> timer);
  static constexpr int kSaveDelay = 1000;  // milliseconds

  // Immediate writes into the main settings file. Each throws FileError
  // (SettingsNotWritten). These, the close and the saves of changes leave a main
  // settings file that the user has locked (chmod a-w) as it is, without a word.
  // After the font dialog: [Images] TextCol, Font, FontSize.
  void writeFont();
  // After the directory chooser: [General] OutputDir.
  void writeOutputDir();
  // After a language file has been chosen: [Language] LangFile.
  void writeLanguageFile(const std::string& languageFile);

  // The auto-save hotkeys: the user's settings are saved into the main settings file
  // (unless another auto-save capture is still waiting, whose options are in use),
  // then optionFile, when it names an existing file, is loaded with full = false.
  // Once the next capture is taken (its options kept for its write), the main
  // settings are loaded back. An optionFile that is named but not there leaves the
  // options in use; once that capture is saved, the cycle's observers are told so
  // in a notice ([Main] OptionsFileMissing).
  void useForOneCapture(const std::string& optionFile);
  bool oneCaptureWaiting() const { return restorePending_; }
  // The program closes: the user's own settings back if an auto-save capture never
  // came, then saved into the main settings file.
  void close();

 private:
  void writeOption(Option id);
  bool mainFileLocked() const;
  void saveMainFile();
  void changed();
  void saveWaitingChanges();
  // The options are the main file's again (or another file's for one capture): no
  // change of the user's waits to be saved.
  void optionsAsInMainFile();
  void showOutputDirectoryChoice();
  void captureTaken() override;
  void captureEnded(const SaveOutcome& outcome, const CaptureSource& source) override;
  void reportError(std::exception_ptr error);
  void restoreUserSettings();

  Options& options_;
  Texts& texts_;
  SaveState& state_;
  const ProgramDirectories& dirs_;
  CaptureCycle* cycle_;
  CaptureReporter* reporter_;
  bool restorePending_ = false;
  // The options file of the waiting auto-save capture, when it was not found.
  std::string missingOptionsFile_;
  // The same of each capture taken and not yet ended, in order (mostly empty).
  std::deque<std::string> missingForTaken_;
  std::unique_ptr<Timer> saveTimer_;  // none until saveChangesSoon
  bool changesWaiting_ = false;
  std::vector<Options::WatchId> changeWatches_;
};

}  // namespace snaprill
