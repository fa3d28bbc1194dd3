#include "platform/process_launcher.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace snaprill {

namespace {

bool isExecutableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::optional<std::string> findExecutable(const std::string& program) {
  if (program.empty()) return std::nullopt;
  if (program.find('/') != std::string::npos) {
    if (isExecutableFile(program)) return program;
    return std::nullopt;
  }
  const char* env = std::getenv("PATH");
  const std::string path = env ? env : "/usr/local/bin:/usr/bin:/bin";
  std::size_t from = 0;
  while (from <= path.size()) {
    std::size_t to = path.find(':', from);
    if (to == std::string::npos) to = path.size();
    std::string candidate = to > from ? path.substr(from, to - from) : std::string(".");
    candidate.push_back('/');
    candidate.append(program);
    if (isExecutableFile(candidate)) return candidate;
    from = to + 1;
  }
  return std::nullopt;
}

namespace {

// In a child of a process that may have other threads: only async-signal-safe
// calls from here on. Starts the program in place of the calling process, with the
// signal state and descriptors a freshly started program expects.
[[noreturn]] void execProgram(const char* exe, char* const* argv, const char* dir) {
  sigset_t none;
  ::sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  ::signal(SIGPIPE, SIG_DFL);
  ::signal(SIGCHLD, SIG_DFL);
  // Our descriptors are none of the program's business.
  ::close_range(3, ~0u, 0);
  if (dir) (void)::chdir(dir);
  ::execv(exe, argv);
  ::_exit(127);
}

// Also in the child: starts the program as a child of its own, waits for it and
// writes one byte to reportFd, its exit status (128 + the signal that ended it).
[[noreturn]] void execAndReport(const char* exe, char* const* argv, const char* dir, int reportFd) {
  // The program must not hold the pipe open after this process has reported.
  ::dup2(reportFd, 3);
  ::close_range(4, ~0u, 0);
  ::signal(SIGCHLD, SIG_DFL);
  // The reader may be gone by the time the program ends.
  ::signal(SIGPIPE, SIG_IGN);
  const pid_t program = ::fork();
  if (program == 0) execProgram(exe, argv, dir);
  unsigned char result = 127;
  int status = 0;
  if (program > 0) {
    while (::waitpid(program, &status, 0) < 0 && errno == EINTR) {
    }
    result = static_cast<unsigned char>(WIFEXITED(status) ? WEXITSTATUS(status)
                                                          : 128 + WTERMSIG(status));
  }
  (void)::write(3, &result, 1);
  ::_exit(0);
}

// Starts the program detached from us (reportFd: -1), or with a watcher that writes
// its exit status to reportFd. False when no process could be made.
bool startDetached(const std::string& executable, const std::string& program,
                   const std::vector<std::string>& arguments, const std::string& workingDirectory,
                   int reportFd) {
  // Everything the children need is prepared here: between fork and exec only
  // async-signal-safe calls are allowed, and the program may have other threads.
  std::vector<std::string> argvStrings;
  argvStrings.reserve(arguments.size() + 1);
  argvStrings.push_back(program);
  argvStrings.insert(argvStrings.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& a : argvStrings) argv.push_back(a.data());
  argv.push_back(nullptr);
  const char* exe = executable.c_str();
  const char* dir = workingDirectory.empty() ? nullptr : workingDirectory.c_str();

  // Double fork: the intermediate child exits at once and is reaped here, so the
  // program (or its watcher) is adopted by init (or a subreaper) and never becomes
  // our zombie.
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild != 0) ::_exit(0);
    if (reportFd >= 0) execAndReport(exe, argv.data(), dir, reportFd);
    execProgram(exe, argv.data(), dir);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return true;
}

}  // namespace

void ProcessLauncher::start(const std::string& program, const std::vector<std::string>& arguments,
                            const std::string& workingDirectory) {
  const std::optional<std::string> executable = findExecutable(program);
  if (!executable) return;
  startDetached(*executable, program, arguments, workingDirectory, -1);
}

int startReportingExit(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& workingDirectory) {
  const std::optional<std::string> executable = findExecutable(program);
  if (!executable) return -1;
  int pipe[2];
  if (::pipe2(pipe, O_CLOEXEC) != 0) return -1;
  const bool started = startDetached(*executable, program, arguments, workingDirectory, pipe[1]);
  ::close(pipe[1]);
  if (!started) {
    ::close(pipe[0]);
    return -1;
  }
  return pipe[0];
}

}  // namespace snaprill
