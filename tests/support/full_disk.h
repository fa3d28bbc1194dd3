// A disk that fills up in the middle of a write, for one piece of work: it runs in a
// child process whose files may not grow past a limit, so the test program itself
// never meets the limit.
#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "io/file_error.h"

namespace snaprill::testing {

// What work (returning bool) answers when run against a file-size limit of
// limitBytes; false when it threw or crashed.
template <class Work>
bool answerOnFullDisk(rlim_t limitBytes, Work&& work) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of killing
    const rlimit limit{limitBytes, limitBytes};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    try {
      ::_exit(work() ? 0 : 1);
    } catch (...) {
      ::_exit(1);
    }
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Whether work, run against a file-size limit of limitBytes, threw a FileError of
// that kind: the caller's proof that the write reported the full disk instead of
// succeeding or crashing.
template <class Work>
bool throwsOnFullDisk(FileErrorKind kind, rlim_t limitBytes, Work&& work) {
  return answerOnFullDisk(limitBytes, [&] {
    try {
      work();
    } catch (const FileError& e) {
      return e.kind() == kind;
    }
    return false;
  });
}

}  // namespace snaprill::testing
