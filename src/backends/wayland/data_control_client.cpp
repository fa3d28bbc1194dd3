#include "backends/wayland/data_control_client.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <wayland-client.h>

namespace snaprill {

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
  if (source_ != nullptr) protocol_->destroySource(source_);
  for (const auto& [offer, types] : announced_) protocol_->destroyOffer(offer);
  if (selection_ != nullptr) protocol_->destroyOffer(selection_);
  if (device_ != nullptr) protocol_->destroyDevice(device_);
  if (manager_ != nullptr) protocol_->destroyManager(manager_);
  if (seat_ != nullptr) wl_seat_destroy(seat_);
  if (registry_ != nullptr) wl_registry_destroy(registry_);
  wl_display_flush(display_);
  wl_display_disconnect(display_);
}

const char* DataControlClient::protocolName() const {
  return protocol_ != nullptr ? protocol_->manager->name : "";
}

void DataControlClient::registryGlobal(void* client, wl_registry*, std::uint32_t name,
                                       const char* interface, std::uint32_t) {
  static_cast<DataControlClient*>(client)->global(name, interface);
}

void DataControlClient::global(std::uint32_t name, const char* interface) {
  if (std::strcmp(interface, wl_seat_interface.name) == 0 && seatName_ == 0) seatName_ = name;
  if (std::strcmp(interface, kExtDataControl.manager->name) == 0) extName_ = name;
  if (std::strcmp(interface, kWlrDataControl.manager->name) == 0) wlrName_ = name;
}

bool DataControlClient::start() {
  // A seat or manager going away while we use it ends our device: the compositor
  // says so with `finished`.
  static const wl_registry_listener registryListener{&DataControlClient::registryGlobal,
                                                     [](void*, wl_registry*, std::uint32_t) {}};
  registry_ = wl_display_get_registry(display_);
  wl_registry_add_listener(registry_, &registryListener, this);
  if (wl_display_roundtrip(display_) < 0) return false;
  if (seatName_ == 0 || (extName_ == 0 && wlrName_ == 0)) return false;
  protocol_ = extName_ != 0 ? &kExtDataControl : &kWlrDataControl;
  seat_ = static_cast<wl_seat*>(wl_registry_bind(registry_, seatName_, &wl_seat_interface, 1));
  manager_ = static_cast<wl_proxy*>(wl_registry_bind(registry_, extName_ != 0 ? extName_ : wlrName_,
                                                     protocol_->manager, protocol_->version));
  device_ = protocol_->getDataDevice(manager_, seat_, this);
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
  announced_.emplace(offer, QStringList());
}

void DataControlClient::typeOffered(wl_proxy* offer, const char* type) {
  const auto announced = announced_.find(offer);
  if (announced != announced_.end()) announced->second.append(QString::fromUtf8(type));
}

void DataControlClient::primarySelectionOffered(wl_proxy* offer) {
  // Never looked at: let go at once.
  if (offer == nullptr) return;
  announced_.erase(offer);
  protocol_->destroyOffer(offer);
}

void DataControlClient::selectionOffered(wl_proxy* offer) {
  if (selection_ != nullptr) protocol_->destroyOffer(selection_);
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
  protocol_->destroyDevice(device_);
  device_ = nullptr;
  if (selection_ != nullptr) protocol_->destroyOffer(selection_);
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
  protocol_->receive(selection_, name.constData(), ends[1]);
  ::close(ends[1]);
  flush();
  return ends[0];
}

void DataControlClient::clearSelection() {
  if (!active()) return;
  protocol_->setSelection(device_, nullptr);
  dropOwnSource();
  flush();
}

bool DataControlClient::setOwnSelection(const QStringList& types) {
  if (!active()) return false;
  wl_proxy* source = protocol_->createDataSource(manager_, this);
  if (source == nullptr) return false;
  for (const QString& type : types + QStringList{ownMarker_}) {
    protocol_->offer(source, type.toUtf8().constData());
  }
  protocol_->setSelection(device_, source);
  // The one before goes only now: gone first, it would empty the clipboard for a
  // moment, a change everyone watching would see.
  dropOwnSource();
  source_ = source;
  flush();
  return true;
}

void DataControlClient::dropOwnSource() {
  if (source_ != nullptr) protocol_->destroySource(source_);
  source_ = nullptr;
}

void DataControlClient::sourceCancelled(wl_proxy* source) {
  // Another offer took the clipboard: ours serves no more.
  if (source == source_) dropOwnSource();
}

void DataControlClient::pasteWanted(wl_proxy* source, const char* type, int fd) {
  if (fd < 0) return;
  const QString wanted = QString::fromUtf8(type);
  if (source != source_ || wanted == ownMarker_) {
    ::close(fd);
    return;
  }
  emit sendWanted(wanted, fd);
}

}  // namespace snaprill
