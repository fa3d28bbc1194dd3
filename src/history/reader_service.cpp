#include "history/reader_service.h"

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include "history/reading_channel.h"

namespace snaprill {

namespace {

// The status of a reader that ran out of time on a picture.
constexpr int kTooLong = 3;

// Processor time counts only while the reader runs, which at idle priority may be
// much later than it asked: a limit in seconds of the clock would wrongly end a
// reader on a busy machine. The soft limit sends SIGXCPU, whose default is a core
// dump of the whole engine: it ends the reader quietly instead.
void limitProcessorTime(int seconds) {
  rusage used{};
  ::getrusage(RUSAGE_SELF, &used);
  rlimit limit{};
  if (::getrlimit(RLIMIT_CPU, &limit) != 0) return;
  limit.rlim_cur = static_cast<rlim_t>(used.ru_utime.tv_sec + used.ru_stime.tv_sec + 1 + seconds);
  if (limit.rlim_max != RLIM_INFINITY && limit.rlim_cur > limit.rlim_max)
    limit.rlim_cur = limit.rlim_max;
  ::setrlimit(RLIMIT_CPU, &limit);
}

}  // namespace

int serveReadRequests(TextReader& reader, int in, int out, int secondsPerPicture) {
  ReadingChannel channel(in, out);
  if (!reader.available()) {
    channel.send({kReaderWithoutEngine});
    return 0;
  }
  if (!channel.send({kReaderReady})) return 0;
  ::signal(SIGXCPU, [](int) { ::_exit(kTooLong); });
  while (const std::optional<std::string> path = channel.receive()) {
    limitProcessorTime(secondsPerPicture);
    const ReadOutcome outcome = readPictureText(*path, reader);
    if (!channel.send(
            {std::to_string(static_cast<int>(outcome.state)), outcome.note, outcome.text})) {
      break;
    }
  }
  return 0;
}

}  // namespace snaprill
