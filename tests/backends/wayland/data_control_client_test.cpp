// The clipboard through ext-data-control, against a compositor of the tests' own
// (tests/tools/fake_clipboard_compositor.h): no compositor of Debian 12 has the
// protocol, so the desktop tests see only wlr-data-control. Each request and event
// of its binding is used once: the offer on the clipboard and its types learned,
// read through a pipe; our own offer set, known as ours when it comes back, and
// pasted; the clipboard emptied. And where a compositor has both protocols, the
// ext one is taken.
#include "backends/wayland/data_control_client.h"

#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <functional>
#include <thread>

#include "tools/fake_clipboard_compositor.h"

namespace snaprill {
namespace {

// Handles the compositor's events until `done()` holds; false after 5 seconds.
bool waitFor(DataControlClient& client, const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < deadline) {
    client.readPending();
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

// All a pipe's writer sends until it closes its end.
std::string readAll(int fd) {
  std::string bytes;
  char chunk[4096];
  for (pollfd wait{fd, POLLIN, 0}; poll(&wait, 1, 5000) > 0;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n <= 0) break;
    bytes.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return bytes;
}

TEST(DataControlClient, FollowsReadsSetsAndEmptiesTheClipboardThroughExtDataControl) {
  static int argc = 1;
  static char name[] = "test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  for (const bool wlrToo : {false, true}) {
    SCOPED_TRACE(wlrToo ? "wlr-data-control too" : "ext-data-control alone");
    FakeClipboardCompositor compositor({{"image/png", "text/plain"}, "the picture", wlrToo});
    const auto client = DataControlClient::connect();
    ASSERT_NE(client, nullptr);
    EXPECT_STREQ(client->protocolName(), "ext_data_control_manager_v1");
    EXPECT_EQ(client->offeredTypes(), QStringList({"image/png", "text/plain"}));
    EXPECT_EQ(readAll(client->receive("image/png")), "the picture");

    QString pasted;
    QObject::connect(client.get(), &DataControlClient::sendWanted,
                     [&](const QString& type, int fd) {
                       pasted = type;
                       ::close(fd);
                     });
    ASSERT_TRUE(client->setOwnSelection({"image/png"}));
    EXPECT_TRUE(waitFor(*client, [&] { return client->ownSelection() && !pasted.isEmpty(); }));
    EXPECT_EQ(pasted, "image/png");
    EXPECT_TRUE(client->ownOfferServes());

    client->clearSelection();
    EXPECT_TRUE(waitFor(*client, [&] { return client->offeredTypes().isEmpty(); }));
    const auto selections = compositor.selections();
    ASSERT_EQ(selections.size(), 2u);
    ASSERT_EQ(selections[0].size(), 2u);  // with the marker of our offers
    EXPECT_EQ(selections[0][0], "image/png");
    EXPECT_TRUE(selections[1].empty());
  }
}

}  // namespace
}  // namespace snaprill
