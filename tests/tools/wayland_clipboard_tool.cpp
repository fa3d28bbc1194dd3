// The Wayland clipboard as the desktop tests need to see and set it, through the
// data-control protocol (as wl-clipboard does, but wl-paste waits forever for an
// empty clipboard under KWin, which then says nothing, and wl-copy can neither mark
// a secret nor keep a paste waiting).
//
//   wayland_clipboard_tool types
//       the types offered now, one a line; nothing when the clipboard is empty
//   wayland_clipboard_tool offer [--hang] [--secret] FILE
//       offers FILE as image/png (--secret: marked as a password manager marks a
//       secret), says "ready" once it is on the clipboard and serves it until
//       another offer replaces it; --hang takes every paste and never sends
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <wayland-client.h>

#include "backends/wayland/data_control_protocol.h"

namespace {

using namespace snaprill;

void writeAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
}

struct Tool final : DataControlListener {
  wl_display* display = nullptr;
  std::uint32_t seatName = 0, managerName = 0;
  const DataControlProtocol* protocol = nullptr;
  wl_proxy* source = nullptr;
  std::vector<std::string> announced, types;
  bool cancelled = false;
  bool hang = false;
  std::string picture;
  std::vector<int> waiting;  // pastes never answered

  void offerAnnounced(wl_proxy*) override { announced.clear(); }
  void typeOffered(wl_proxy*, const char* type) override { announced.emplace_back(type); }
  void selectionOffered(wl_proxy* offer) override {
    types = offer != nullptr ? announced : std::vector<std::string>();
  }
  void primarySelectionOffered(wl_proxy*) override {}
  void deviceFinished() override {}
  void pasteWanted(wl_proxy*, const char* type, int fd) override {
    if (hang) {
      waiting.push_back(fd);
      return;
    }
    writeAll(fd, std::strcmp(type, "image/png") == 0 ? picture : std::string("secret"));
    ::close(fd);
  }
  void sourceCancelled(wl_proxy*) override { cancelled = true; }
};

Tool tool;

void global(void*, wl_registry*, std::uint32_t name, const char* interface, std::uint32_t) {
  if (std::strcmp(interface, "wl_seat") == 0 && tool.seatName == 0) tool.seatName = name;
  for (const DataControlProtocol* p : {&kWlrDataControl, &kExtDataControl}) {
    if (std::strcmp(interface, p->manager->name) == 0) {
      tool.managerName = name;
      tool.protocol = p;
    }
  }
}

void globalRemove(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener kRegistry{&global, &globalRemove};

wl_proxy* connectDevice(wl_proxy** manager) {
  tool.display = wl_display_connect(nullptr);
  if (tool.display == nullptr) return nullptr;
  wl_registry* registry = wl_display_get_registry(tool.display);
  wl_registry_add_listener(registry, &kRegistry, nullptr);
  wl_display_roundtrip(tool.display);
  if (tool.protocol == nullptr || tool.seatName == 0) return nullptr;
  auto* seat =
      static_cast<wl_seat*>(wl_registry_bind(registry, tool.seatName, &wl_seat_interface, 1));
  *manager = static_cast<wl_proxy*>(
      wl_registry_bind(registry, tool.managerName, tool.protocol->manager, 1));
  wl_proxy* device = tool.protocol->getDataDevice(*manager, seat, &tool);
  wl_display_roundtrip(tool.display);
  return device;
}

int offer(const std::vector<std::string>& args) {
  bool secret = false;
  std::string file;
  for (const std::string& arg : args) {
    if (arg == "--hang") {
      tool.hang = true;
    } else if (arg == "--secret") {
      secret = true;
    } else {
      file = arg;
    }
  }
  std::ifstream in(file, std::ios::binary);
  tool.picture.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (tool.picture.empty()) return 2;
  wl_proxy* manager = nullptr;
  wl_proxy* device = connectDevice(&manager);
  if (device == nullptr) return 1;
  tool.source = tool.protocol->createDataSource(manager, &tool);
  tool.protocol->offer(tool.source, "image/png");
  if (secret) tool.protocol->offer(tool.source, "x-kde-passwordManagerHint");
  tool.protocol->setSelection(device, tool.source);
  wl_display_roundtrip(tool.display);
  std::puts("ready");
  std::fflush(stdout);
  while (!tool.cancelled && wl_display_dispatch(tool.display) >= 0) {
  }
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && args[0] == "types") {
    wl_proxy* manager = nullptr;
    if (connectDevice(&manager) == nullptr) return 1;
    for (const std::string& type : tool.types) std::puts(type.c_str());
    return 0;
  }
  if (args.size() >= 2 && args[0] == "offer") return offer({args.begin() + 1, args.end()});
  std::fputs("usage: wayland_clipboard_tool types | offer [--hang] [--secret] FILE\n", stderr);
  return 2;
}
