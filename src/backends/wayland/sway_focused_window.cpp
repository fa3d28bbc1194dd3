#include "backends/wayland/sway_focused_window.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace snaprill {

namespace {

// A message: "i3-ipc", the payload's length and the message type (both 32-bit, in
// the machine's byte order), then the payload.
constexpr char kMagic[] = {'i', '3', '-', 'i', 'p', 'c'};
constexpr std::uint32_t kGetTree = 4;
constexpr std::size_t kHeaderBytes = sizeof kMagic + 8;
// A tree of a few hundred windows is a few hundred kilobytes.
constexpr std::uint32_t kMaxReplyBytes = 64u << 20;

bool sendAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

bool receiveAll(int fd, char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t got = ::recv(fd, data, size, 0);
    if (got <= 0) return false;
    data += got;
    size -= static_cast<std::size_t>(got);
  }
  return true;
}

std::optional<std::string> askTree(const char* socketPath) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (std::strlen(socketPath) >= sizeof address.sun_path) return std::nullopt;
  std::strcpy(address.sun_path, socketPath);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return std::nullopt;
  std::optional<std::string> reply;
  char header[kHeaderBytes];
  std::memcpy(header, kMagic, sizeof kMagic);
  const std::uint32_t request[2] = {0, kGetTree};
  std::memcpy(header + sizeof kMagic, request, sizeof request);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
      sendAll(fd, header, sizeof header) && receiveAll(fd, header, sizeof header) &&
      std::memcmp(header, kMagic, sizeof kMagic) == 0) {
    std::uint32_t answer[2];
    std::memcpy(answer, header + sizeof kMagic, sizeof answer);
    if (answer[1] == kGetTree && answer[0] <= kMaxReplyBytes) {
      std::string text(answer[0], '\0');
      if (receiveAll(fd, text.data(), text.size())) reply = std::move(text);
    }
  }
  ::close(fd);
  return reply;
}

// The node of the window that has the focus; nothing when the focus is on no window
// (a workspace or output with the focus holds none).
std::optional<QJsonObject> focusedNode(const QJsonObject& node) {
  if (node.value(QLatin1String("focused")).toBool()) {
    const QString type = node.value(QLatin1String("type")).toString();
    if (type != QLatin1String("con") && type != QLatin1String("floating_con")) return std::nullopt;
    return node;
  }
  for (const char* children : {"nodes", "floating_nodes"}) {
    for (const QJsonValue child : node.value(QLatin1String(children)).toArray()) {
      if (std::optional<QJsonObject> found = focusedNode(child.toObject())) return found;
    }
  }
  return std::nullopt;
}

std::optional<QJsonObject> focusedNodeInTree(std::string_view json) {
  const QJsonDocument tree =
      QJsonDocument::fromJson(QByteArray(json.data(), static_cast<qsizetype>(json.size())));
  if (!tree.isObject()) return std::nullopt;
  return focusedNode(tree.object());
}

std::optional<std::string> swayTree() {
  const char* socketPath = std::getenv("SWAYSOCK");
  if (socketPath == nullptr || *socketPath == '\0') return std::nullopt;
  return askTree(socketPath);
}

}  // namespace

std::optional<Rect> focusedWindowInTree(std::string_view json) {
  const std::optional<QJsonObject> node = focusedNodeInTree(json);
  if (!node) return std::nullopt;
  const QJsonObject rect = node->value(QLatin1String("rect")).toObject();
  const int x = rect.value(QLatin1String("x")).toInt();
  const int y = rect.value(QLatin1String("y")).toInt();
  const int width = rect.value(QLatin1String("width")).toInt();
  const int height = rect.value(QLatin1String("height")).toInt();
  if (width <= 0 || height <= 0) return std::nullopt;
  return Rect{x, y, x + width, y + height};
}

FocusedWindow focusedWindowIdentityInTree(std::string_view json) {
  const std::optional<QJsonObject> node = focusedNodeInTree(json);
  if (!node) return {};
  // A native client names itself by its app_id; an X11 one through Xwayland has its
  // WM_CLASS among its window properties instead.
  QString application = node->value(QLatin1String("app_id")).toString();
  if (application.isEmpty()) {
    application = node->value(QLatin1String("window_properties"))
                      .toObject()
                      .value(QLatin1String("class"))
                      .toString();
  }
  return {application.toStdString(), node->value(QLatin1String("name")).toString().toStdString()};
}

std::optional<Rect> swayFocusedWindow() {
  const std::optional<std::string> tree = swayTree();
  if (!tree) return std::nullopt;
  return focusedWindowInTree(*tree);
}

FocusedWindow swayFocusedWindowIdentity() {
  const std::optional<std::string> tree = swayTree();
  if (!tree) return {};
  return focusedWindowIdentityInTree(*tree);
}

}  // namespace snaprill
