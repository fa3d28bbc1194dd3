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

// In a child: only async-signal-safe calls from here on. Tells the parent why the
// program could not be run, through the exec check, and ends.
[[noreturn]] void failTo(int execCheck) {
  const int error = errno;
  // Told or not (a pipe that cannot be written), the child ends here.
  [[maybe_unused]] const ssize_t told = ::write(execCheck, &error, sizeof error);
  ::_exit(127);
}

// In a child of a process that may have other threads. Starts the program in place
// of the calling process, with the signal state and descriptors a freshly started
// program expects. The exec check, moved to the first descriptor after the standard
// three, closes with the exec: a parent reading it learns that the program runs.
[[noreturn]] void execProgram(const char* exe, char* const* argv, const char* dir, int execCheck) {
  sigset_t none;
  ::sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  ::signal(SIGPIPE, SIG_DFL);
  ::signal(SIGCHLD, SIG_DFL);
  if (execCheck != 3) {
    if (::dup3(execCheck, 3, O_CLOEXEC) < 0) failTo(execCheck);
  }
  // Our descriptors are none of the program's business.
  ::close_range(4, ~0u, 0);
  // A folder that cannot be entered leaves the inherited one.
  if (dir && ::chdir(dir) != 0) {
  }
  ::execv(exe, argv);
  failTo(3);
}

// Also in a child: starts the program as a child of its own, waits for it and writes
// one byte to reportFd, its exit status (128 + the signal that ended it).
[[noreturn]] void watchProgram(const char* exe, char* const* argv, const char* dir, int execCheck,
                               int reportFd) {
  // The exec check to 3, the report to 4, nothing else of ours: the program must not
  // hold the report open after the watcher has written it.
  const int check = ::fcntl(execCheck, F_DUPFD_CLOEXEC, 10);
  const int report = ::fcntl(reportFd, F_DUPFD, 10);
  if (check < 0 || report < 0 || ::dup3(check, 3, O_CLOEXEC) < 0 || ::dup2(report, 4) < 0) {
    failTo(execCheck);
  }
  ::close_range(5, ~0u, 0);
  ::signal(SIGCHLD, SIG_DFL);
  // The reader may be gone by the time the program ends.
  ::signal(SIGPIPE, SIG_IGN);
  const pid_t program = ::fork();
  if (program < 0) failTo(3);
  if (program == 0) execProgram(exe, argv, dir, 3);
  // Only the program's copy of the exec check speaks for it.
  ::close(3);
  int status = 0;
  while (::waitpid(program, &status, 0) < 0 && errno == EINTR) {
  }
  const auto result =
      static_cast<unsigned char>(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
  [[maybe_unused]] const ssize_t written = ::write(4, &result, 1);
  ::_exit(0);
}

// Starts the program detached from us, or (reportFd not -1) with a watcher that
// writes its exit status to reportFd. Returns once the program runs, or false when
// it could not be run.
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

  // Whether the exec succeeded comes back through a pipe that the exec closes: the
  // children write the error number into it when they fail, and a successful exec
  // leaves it empty. Reading it waits for the exec, never for the program.
  int check[2];
  if (::pipe2(check, O_CLOEXEC) != 0) return false;
  // Double fork: the intermediate child exits at once and is reaped here, so the
  // program (or its watcher) is adopted by init (or a subreaper) and never becomes
  // our zombie.
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(check[0]);
    ::close(check[1]);
    return false;
  }
  if (child == 0) {
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild < 0) failTo(check[1]);
    if (grandchild != 0) ::_exit(0);
    if (reportFd >= 0) watchProgram(exe, argv.data(), dir, check[1], reportFd);
    execProgram(exe, argv.data(), dir, check[1]);
  }
  ::close(check[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t got = 0;
  while ((got = ::read(check[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  ::close(check[0]);
  return got == 0;
}

}  // namespace

bool ProcessLauncher::start(const std::string& program, const std::vector<std::string>& arguments,
                            const std::string& workingDirectory) {
  const std::optional<std::string> executable = findExecutable(program);
  if (!executable) return false;
  return startDetached(*executable, program, arguments, workingDirectory, -1);
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
