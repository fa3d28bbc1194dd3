#include "backends/wayland/data_control_client.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <wayland-client.h>

#include "backends/wayland/data_control_protocol.h"
#include "backends/wayland/wayland_proxy.h"

namespace snaprill {

namespace {

std::uint32_t versionOf(wl_proxy* proxy) {
  return wl_proxy_get_version(proxy);
}

}  // namespace

// libwayland calls these with the proxy an event is for; the client is its user data.
struct DataControlEvents {
  static DataControlClient& client(void* proxy) {
    return *static_cast<DataControlClient*>(wl_proxy_get_user_data(static_cast<wl_proxy*>(proxy)));
  }

  static int device(const void*, void* proxy, std::uint32_t opcode, const wl_message*,
                    wl_argument* args) {
    DataControlClient& self = client(proxy);
    // `finished` has no argument; the others one offer, or none (null).
    auto* offer =
        opcode != data_control::kFinished ? reinterpret_cast<wl_proxy*>(args[0].o) : nullptr;
    switch (opcode) {
      case data_control::kDataOffer:
        self.offerAnnounced(offer);
        break;
      case data_control::kSelection:
        self.selectionOffered(offer);
        break;
      case data_control::kFinished:
        self.deviceFinished();
        break;
      case data_control::kPrimarySelection:
        // Never looked at: let go at once.
        if (offer != nullptr) self.destroyOffer(offer);
        break;
      default:
        break;
    }
    return 0;
  }

  static int offer(const void*, void* proxy, std::uint32_t opcode, const wl_message*,
                   wl_argument* args) {
    if (opcode == data_control::kOfferType)
      client(proxy).typeOffered(static_cast<wl_proxy*>(proxy), args[0].s);
    return 0;
  }

  static int source(const void*, void* proxy, std::uint32_t opcode, const wl_message*,
                    wl_argument* args) {
    // `send` carries a type and a descriptor, `cancelled` nothing.
    const bool send = opcode == data_control::kSend;
    client(proxy).sourceEvent(static_cast<wl_proxy*>(proxy), opcode, send ? args[0].s : nullptr,
                              send ? args[1].h : -1);
    return 0;
  }

  static void global(void* data, wl_registry*, std::uint32_t name, const char* interface,
                     std::uint32_t) {
    static_cast<DataControlClient*>(data)->global(name, interface);
  }

  static void globalRemove(void*, wl_registry*, std::uint32_t) {
    // A seat or manager going away while we use it ends our device: the compositor
    // says so with `finished`.
  }
};

namespace {

const wl_registry_listener kRegistryListener{&DataControlEvents::global,
                                             &DataControlEvents::globalRemove};

}  // namespace

std::unique_ptr<DataControlClient> DataControlClient::connect() {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (name == nullptr || *name == '\0') return nullptr;
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return nullptr;
  auto client = std::make_unique<DataControlClient>(display);
  if (!client->start()) return nullptr;
  return client;
}

DataControlClient::DataControlClient(wl_display* display)
    : display_(display),
      ownMarker_(QStringLiteral("application/x-snaprill-offer-%1").arg(::getpid())) {}

DataControlClient::~DataControlClient() {
  notifier_.reset();
  if (source_ != nullptr) destroyObject(source_, data_control::kDestroy);
  for (const auto& [offer, types] : announced_) destroyObject(offer, data_control::kDestroy);
  if (selection_ != nullptr) destroyObject(selection_, data_control::kDestroy);
  if (device_ != nullptr) destroyObject(device_, data_control::kDestroy);
  if (manager_ != nullptr) destroyObject(manager_, data_control::kManagerDestroy);
  if (seat_ != nullptr) wl_seat_destroy(seat_);
  if (registry_ != nullptr) wl_registry_destroy(registry_);
  wl_display_flush(display_);
  wl_display_disconnect(display_);
}

const char* DataControlClient::protocolName() const {
  return protocol_ != nullptr ? protocol_->managerName : "";
}

void DataControlClient::global(std::uint32_t name, const char* interface) {
  if (std::strcmp(interface, wl_seat_interface.name) == 0 && seatName_ == 0) seatName_ = name;
  if (std::strcmp(interface, kExtDataControl.managerName) == 0) extName_ = name;
  if (std::strcmp(interface, kWlrDataControl.managerName) == 0) wlrName_ = name;
}

bool DataControlClient::start() {
  registry_ = wl_display_get_registry(display_);
  wl_registry_add_listener(registry_, &kRegistryListener, this);
  if (wl_display_roundtrip(display_) < 0) return false;
  if (seatName_ == 0 || (extName_ == 0 && wlrName_ == 0)) return false;
  protocol_ = extName_ != 0 ? &kExtDataControl : &kWlrDataControl;
  seat_ = static_cast<wl_seat*>(wl_registry_bind(registry_, seatName_, &wl_seat_interface, 1));
  manager_ = static_cast<wl_proxy*>(wl_registry_bind(registry_, extName_ != 0 ? extName_ : wlrName_,
                                                     protocol_->manager, protocol_->version));
  device_ = wl_proxy_marshal_flags(manager_, data_control::kGetDataDevice, protocol_->device,
                                   versionOf(manager_), 0, nullptr, seat_);
  wl_proxy_add_dispatcher(device_, &DataControlEvents::device, nullptr, this);
  // The offer on the clipboard now arrives in answer; KWin says nothing when the
  // clipboard is empty.
  if (wl_display_roundtrip(display_) < 0 || device_ == nullptr) return false;
  notifier_ = std::make_unique<QSocketNotifier>(wl_display_get_fd(display_), QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, this,
                   &DataControlClient::readPending);
  return true;
}

void DataControlClient::readPending() {
  if (notifier_ == nullptr || lost_) return;
  // The reading libwayland asks of a client that waits in an event loop of its
  // own: events already queued first, then whatever the socket holds, never
  // blocking.
  while (wl_display_prepare_read(display_) != 0) {
    if (wl_display_dispatch_pending(display_) < 0) return lose();
  }
  flush();
  pollfd socket{wl_display_get_fd(display_), POLLIN, 0};
  if (poll(&socket, 1, 0) > 0) {
    if (wl_display_read_events(display_) < 0) return lose();
  } else {
    wl_display_cancel_read(display_);
  }
  if (wl_display_dispatch_pending(display_) < 0) lose();
}

void DataControlClient::flush() {
  // A full socket (EAGAIN) sends the rest with the next request.
  if (wl_display_flush(display_) < 0 && errno != EAGAIN) lose();
}

void DataControlClient::lose() {
  // The compositor has gone: nothing can be offered, read or emptied any more.
  // The notifier lives on: this may run inside its notice.
  if (notifier_ != nullptr) notifier_->setEnabled(false);
  lost_ = true;
  const bool hadOffer = !types_.isEmpty();
  types_.clear();
  ++selectionChanges_;
  if (hadOffer) emit selectionChanged();
}

void DataControlClient::offerAnnounced(wl_proxy* offer) {
  if (offer == nullptr) return;
  wl_proxy_add_dispatcher(offer, &DataControlEvents::offer, nullptr, this);
  announced_.emplace(offer, QStringList());
}

void DataControlClient::typeOffered(wl_proxy* offer, const char* type) {
  const auto announced = announced_.find(offer);
  if (announced != announced_.end()) announced->second.append(QString::fromUtf8(type));
}

void DataControlClient::destroyOffer(wl_proxy* offer) {
  announced_.erase(offer);
  destroyObject(offer, data_control::kDestroy);
}

void DataControlClient::selectionOffered(wl_proxy* offer) {
  if (selection_ != nullptr) destroyObject(selection_, data_control::kDestroy);
  selection_ = offer;
  types_.clear();
  const auto announced = announced_.find(offer);
  if (announced != announced_.end()) {
    types_ = std::move(announced->second);
    announced_.erase(announced);
  }
  ++selectionChanges_;
  emit selectionChanged();
}

void DataControlClient::deviceFinished() {
  // Our seat is gone: the device is of no more use.
  destroyObject(device_, data_control::kDestroy);
  device_ = nullptr;
  if (selection_ != nullptr) destroyObject(selection_, data_control::kDestroy);
  selection_ = nullptr;
  types_.clear();
  ++selectionChanges_;
  emit selectionChanged();
}

int DataControlClient::receive(const QString& type) {
  if (selection_ == nullptr || !active()) return -1;
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return -1;
  // Only our end waits for nothing: the owner's writes block as any writer's.
  fcntl(ends[0], F_SETFL, fcntl(ends[0], F_GETFL) | O_NONBLOCK);
  const QByteArray name = type.toUtf8();
  // libwayland sends a copy of the write end; ours goes at once, so that the pipe
  // ends when the owner closes its copy.
  wl_proxy_marshal_flags(selection_, data_control::kReceive, nullptr, versionOf(selection_), 0,
                         name.constData(), ends[1]);
  ::close(ends[1]);
  flush();
  return ends[0];
}

void DataControlClient::clearSelection() {
  if (!active()) return;
  wl_proxy_marshal_flags(device_, data_control::kSetSelection, nullptr, versionOf(device_), 0,
                         nullptr);
  dropOwnSource();
  flush();
}

bool DataControlClient::setOwnSelection(const QStringList& types) {
  if (!active()) return false;
  wl_proxy* source = wl_proxy_marshal_flags(manager_, data_control::kCreateDataSource,
                                            protocol_->source, versionOf(manager_), 0, nullptr);
  if (source == nullptr) return false;
  wl_proxy_add_dispatcher(source, &DataControlEvents::source, nullptr, this);
  for (const QString& type : types + QStringList{ownMarker_}) {
    const QByteArray name = type.toUtf8();
    wl_proxy_marshal_flags(source, data_control::kOfferType, nullptr, versionOf(source), 0,
                           name.constData());
  }
  wl_proxy_marshal_flags(device_, data_control::kSetSelection, nullptr, versionOf(device_), 0,
                         source);
  // The one before goes only now: gone first, it would empty the clipboard for a
  // moment, a change everyone watching would see.
  dropOwnSource();
  source_ = source;
  flush();
  return true;
}

void DataControlClient::dropOwnSource() {
  if (source_ != nullptr) destroyObject(source_, data_control::kDestroy);
  source_ = nullptr;
}

void DataControlClient::sourceEvent(wl_proxy* source, std::uint32_t opcode, const char* type,
                                    int fd) {
  if (opcode == data_control::kCancelled) {
    // Another offer took the clipboard: ours serves no more.
    if (source == source_) dropOwnSource();
    return;
  }
  if (opcode != data_control::kSend || fd < 0) return;
  const QString wanted = QString::fromUtf8(type);
  if (source != source_ || wanted == ownMarker_) {
    ::close(fd);
    return;
  }
  emit sendWanted(wanted, fd);
}

}  // namespace snaprill
