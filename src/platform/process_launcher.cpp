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

bool ProcessLauncher::start(const std::string& program, const std::vector<std::string>& arguments,
                            const std::string& workingDirectory) {
  const std::optional<std::string> executable = findExecutable(program);
  if (!executable) return false;
  // Everything the children need is prepared here: between fork and exec only
  // async-signal-safe calls are allowed, and the program may have other threads.
  std::vector<std::string> argvStrings;
  argvStrings.reserve(arguments.size() + 1);
  argvStrings.push_back(program);
  argvStrings.insert(argvStrings.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& a : argvStrings) argv.push_back(a.data());
  argv.push_back(nullptr);
  const char* exe = executable->c_str();
  const char* dir = workingDirectory.empty() ? nullptr : workingDirectory.c_str();

  // Whether the exec succeeded comes back through a pipe that the exec closes: the
  // children write the error number into it when they fail, and a successful exec
  // leaves it empty. Reading it waits for the exec, never for the program.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return false;
  // Double fork: the intermediate child exits at once and is reaped here, so the
  // program is adopted by init (or a subreaper) and never becomes our zombie.
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(report[0]);
    ::close(report[1]);
    return false;
  }
  if (child == 0) {
    const auto fail = [&report] {
      const int error = errno;
      // Told or not (a pipe that cannot be written), the child ends here.
      [[maybe_unused]] const ssize_t told = ::write(report[1], &error, sizeof error);
      ::_exit(127);
    };
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild < 0) fail();
    if (grandchild != 0) ::_exit(0);
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    ::signal(SIGCHLD, SIG_DFL);
    // Our descriptors are none of the program's business; the report pipe, moved
    // to the first one after the standard three, closes with the exec.
    if (report[1] != 3) {
      if (::dup3(report[1], 3, O_CLOEXEC) < 0) fail();
      report[1] = 3;
    }
    ::close_range(4, ~0u, 0);
    // A folder that cannot be entered leaves the inherited one.
    if (dir && ::chdir(dir) != 0) {
    }
    ::execv(exe, argv.data());
    fail();
  }
  ::close(report[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t got = 0;
  while ((got = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  ::close(report[0]);
  return got == 0;
}

}  // namespace snaprill
