// The capture history's text reader as a child process (snaprill-text-reader, see
// reading_channel.h), started when a picture waits to be read and ended when none
// does: the engine's memory goes with it, a crash of the engine ends only the
// child, and while nothing is read nothing of it runs.
#pragma once

#include <sys/types.h>

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "history/reading_channel.h"
#include "history/text_reader.h"

namespace snaprill {

struct ReaderCommand {
  std::string program;  // empty: there is no reader
  std::vector<std::string> arguments;
};

// The reader program of an executable in executableDir: beside it (a build folder,
// a portable copy), else where the package installs it. Empty when neither is there.
std::string textReaderProgram(const std::string& executableDir);

class ReaderProcess {
 public:
  explicit ReaderProcess(ReaderCommand command) : command_(std::move(command)) {}
  // Stops the child, if one runs.
  ~ReaderProcess();
  ReaderProcess(const ReaderProcess&) = delete;
  ReaderProcess& operator=(const ReaderProcess&) = delete;

  enum class Answer {
    Read,      // the outcome is the picture's
    NoEngine,  // nothing can be read in this run: no reader, no Tesseract or no data
    Crashed,   // the reader ended while reading this picture
    Stopped,   // stop() was called: the picture was not read
  };
  // Reads one picture in the child, starting the child when none runs. A child that
  // cannot start, or ends before it says whether it can read, answers NoEngine from
  // then on: it is no picture's fault.
  Answer read(const std::string& path, ReadOutcome& outcome);
  // Nothing is left to read: the child is told to exit, and waited for.
  void finish();
  // From any thread: the child is killed at once; a read in progress, and every
  // later one, answers Stopped.
  void stop();

 private:
  bool start();
  // Closes the connection and reaps the child (which was told, or made, to end).
  void end();
  Answer lost();

  ReaderCommand command_;
  std::mutex mutex_;  // guards pid_ and stopped_, which stop() uses
  pid_t pid_ = 0;     // the child, until it is reaped
  bool stopped_ = false;
  bool noEngine_ = false;
  int socket_ = -1;
  std::optional<ReadingChannel> channel_;
};

}  // namespace snaprill
