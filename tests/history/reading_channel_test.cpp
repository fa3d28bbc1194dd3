// The framing between the history and its reader process.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "history/reading_channel.h"

namespace snaprill {
namespace {

// Faults: a field longer than one read (a page of text), or fields that arrive
// together in one read, cut or run together; a message cut off by a crash taken
// for a whole one.
TEST(ReadingChannelTest, FieldsWholeAcrossReadsAndCutOffByTheEnd) {
  int ends[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
  const std::string page(300000, 'w');
  std::thread reader([&] {
    ReadingChannel channel(ends[1], ends[1]);
    EXPECT_TRUE(channel.send({"1", "", page}));
    EXPECT_TRUE(channel.send({"3", "too large to read"}));
    const char cut[] = "1\0note";  // the reader crashed while answering
    EXPECT_EQ(::write(ends[1], cut, sizeof cut - 1), static_cast<ssize_t>(sizeof cut - 1));
    ::close(ends[1]);
  });
  ReadingChannel channel(ends[0], ends[0]);
  for (const std::string& expected : {std::string("1"), std::string(), page, std::string("3"),
                                      std::string("too large to read"), std::string("1")}) {
    EXPECT_EQ(channel.receive(), expected);
  }
  EXPECT_EQ(channel.receive(), std::nullopt);
  reader.join();
  // The other side gone: a send fails instead of raising SIGPIPE.
  EXPECT_FALSE(channel.send({"/a/picture.png"}));
  ::close(ends[0]);
}

}  // namespace
}  // namespace snaprill
