#include "history/reading_channel.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace snaprill {

std::optional<std::string> ReadingChannel::receive() {
  for (;;) {
    const std::size_t end = buffer_.find('\0', start_);
    if (end != std::string::npos) {
      std::string field = buffer_.substr(start_, end - start_);
      start_ = end + 1;
      return field;
    }
    buffer_.erase(0, start_);
    start_ = 0;
    char chunk[65536];
    const ssize_t got = ::read(in_, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return std::nullopt;
    buffer_.append(chunk, static_cast<std::size_t>(got));
  }
}

bool ReadingChannel::send(std::initializer_list<std::string_view> fields) {
  std::string message;
  for (std::string_view field : fields) {
    message.append(field);
    message.push_back('\0');
  }
  std::size_t sent = 0;
  while (sent < message.size()) {
    ssize_t n = ::send(out_, message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
    // A pipe (the reader run by hand) is written as a file.
    if (n < 0 && errno == ENOTSOCK) n = ::write(out_, message.data() + sent, message.size() - sent);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace snaprill
