// The conversation between the capture history and its text reader, a program of
// its own (snaprill-text-reader), so that Tesseract's memory, its threads and any
// crash of it stay out of the program that keeps the history. One connection, both
// ways; every message is a fixed number of fields, each ended by a NUL byte (paths
// and texts hold none):
//
//   reader, once as it starts:  "ready" | "no engine"
//   history, per picture:       path
//   reader, per picture:        state (TextState, as a decimal number), note, text
//
// The history ends the conversation by closing its end; the reader then exits. The
// reader never opens the index: the history's writer stays its only writer.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace snaprill {

inline constexpr std::string_view kReaderReady = "ready";
inline constexpr std::string_view kReaderWithoutEngine = "no engine";

class ReadingChannel {
 public:
  // Reads from `in` and writes to `out` (one socket may be both); owns neither.
  ReadingChannel(int in, int out) : in_(in), out_(out) {}

  // The next field, without its NUL; nothing once the other side is gone (or the
  // connection failed) before a whole field came.
  std::optional<std::string> receive();
  // Sends the fields as one message; false when the other side is gone. Never
  // raises SIGPIPE on a socket: a reader that crashed must not end the history's
  // program.
  bool send(std::initializer_list<std::string_view> fields);

 private:
  int in_;
  int out_;
  std::string buffer_;
  std::size_t start_ = 0;  // where the next field begins in buffer_
};

}  // namespace snaprill
