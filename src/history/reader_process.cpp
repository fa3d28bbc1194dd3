#include "history/reader_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>

extern char** environ;

namespace snaprill {

namespace {

constexpr const char* kReaderName = "snaprill-text-reader";

// The child's half of the connection as its standard input and output, none of
// our other descriptors (a Qt program has plenty), the signals a fresh program
// expects.
pid_t spawnReader(const ReaderCommand& command, int connection) {
  posix_spawn_file_actions_t files;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_adddup2(&files, connection, STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&files, connection, STDOUT_FILENO);
  posix_spawn_file_actions_addclosefrom_np(&files, STDERR_FILENO + 1);
  posix_spawnattr_init(&attributes);
  sigset_t signals;
  ::sigemptyset(&signals);
  posix_spawnattr_setsigmask(&attributes, &signals);
  ::sigfillset(&signals);
  posix_spawnattr_setsigdefault(&attributes, &signals);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  std::vector<std::string> strings{command.program};
  strings.insert(strings.end(), command.arguments.begin(), command.arguments.end());
  std::vector<char*> argv;
  for (std::string& s : strings) argv.push_back(s.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int result =
      ::posix_spawn(&pid, command.program.c_str(), &files, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&files);
  return result == 0 ? pid : 0;
}

std::optional<TextState> textStateOf(const std::string& number) {
  int value = -1;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error != std::errc() || end != number.data() + number.size()) return std::nullopt;
  if (value != static_cast<int>(TextState::Read) && value != static_cast<int>(TextState::Skipped))
    return std::nullopt;
  return static_cast<TextState>(value);
}

bool isExecutable(const std::string& path) {
  return ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string textReaderProgram(const std::string& executableDir) {
  for (const std::string& path :
       {executableDir + kReaderName, executableDir + SNAPRILL_TEXT_READER_FROM_BIN + kReaderName}) {
    if (isExecutable(path)) return path;
  }
  return {};
}

ReaderProcess::~ReaderProcess() {
  stop();
  end();
}

bool ReaderProcess::start() {
  if (noEngine_) return false;
  if (command_.program.empty()) {
    noEngine_ = true;
    return false;
  }
  int connection[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, connection) != 0) {
    noEngine_ = true;
    return false;
  }
  {
    // Under the lock, so that a stop() meanwhile either comes first (and nothing
    // starts) or finds the child to kill.
    std::lock_guard lock(mutex_);
    if (!stopped_) pid_ = spawnReader(command_, connection[1]);
  }
  ::close(connection[1]);
  socket_ = connection[0];
  channel_.emplace(socket_, socket_);
  const std::optional<std::string> hello = channel_->receive();
  if (hello == kReaderReady) return true;
  // "no engine", a program that could not start, or one that ended at once.
  noEngine_ = true;
  end();
  return false;
}

ReaderProcess::Answer ReaderProcess::read(const std::string& path, ReadOutcome& outcome) {
  if (!channel_ && !start()) return lost();
  if (!channel_->send({path})) return lost();
  std::optional<std::string> state = channel_->receive();
  std::optional<std::string> note = channel_->receive();
  std::optional<std::string> text = channel_->receive();
  const std::optional<TextState> textState = state ? textStateOf(*state) : std::nullopt;
  if (!textState || !note || !text) return lost();
  outcome = {std::move(*text), *textState, std::move(*note)};
  return Answer::Read;
}

ReaderProcess::Answer ReaderProcess::lost() {
  const bool started = channel_.has_value();
  end();
  std::lock_guard lock(mutex_);
  if (stopped_) return Answer::Stopped;
  return started ? Answer::Crashed : Answer::NoEngine;
}

void ReaderProcess::finish() {
  end();
}

void ReaderProcess::stop() {
  std::lock_guard lock(mutex_);
  stopped_ = true;
  if (pid_ > 0) ::kill(pid_, SIGKILL);
}

void ReaderProcess::end() {
  channel_.reset();
  if (socket_ >= 0) ::close(socket_);
  socket_ = -1;
  pid_t pid = 0;
  {
    std::lock_guard lock(mutex_);
    pid = pid_;
  }
  if (pid <= 0) return;
  // Waited for without reaping: until pid_ is cleared, stop() may still kill it,
  // and a pid not yet reaped cannot have been given to another process.
  siginfo_t info{};
  while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
  }
  {
    std::lock_guard lock(mutex_);
    pid_ = 0;
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace snaprill
