// The compositor's clipboard, followed on a Wayland connection of our own (not
// Qt's, which runs on X11 or learns of changes only while it has the focus)
// through a data-control protocol: ext-data-control-v1 where the compositor has
// it, else wlr-data-control (wlroots, KWin 5.27). The compositor tells of every
// change of the selection, whatever has the focus, with the offered types in the
// same message, so that knowing what is offered never waits for its owner.
//
// Nothing here polls: the connection's socket wakes the event loop only when the
// compositor has something to say.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <unordered_map>

#include "backends/wayland/data_control_protocol.h"

class QSocketNotifier;
struct wl_display;
struct wl_registry;
struct wl_seat;
struct wl_proxy;

namespace snaprill {

class DataControlClient : public QObject, private DataControlListener {
  Q_OBJECT

 public:
  // Connects to the compositor WAYLAND_DISPLAY names and learns what its clipboard
  // offers now. Nothing when there is no compositor, or it has neither protocol
  // (GNOME's Mutter has none).
  static std::unique_ptr<DataControlClient> connect();

  explicit DataControlClient(wl_display* display);
  ~DataControlClient() override;
  DataControlClient(const DataControlClient&) = delete;
  DataControlClient& operator=(const DataControlClient&) = delete;

  // The registry name of the manager in use, such as "ext_data_control_manager_v1".
  const char* protocolName() const;
  // False once the compositor has gone away or ended our device: nothing is offered
  // from then on.
  bool active() const { return device_ != nullptr && !lost_; }
  // The MIME types the clipboard's current offer lists; empty when nothing is offered.
  const QStringList& offeredTypes() const { return types_; }
  // How often the clipboard has changed: types known while this stays the same are
  // one offer's.
  unsigned selectionChanges() const { return selectionChanges_; }
  // Asks the current offer's owner to write it as `type` into a new pipe, and
  // returns the pipe's read end (non-blocking, the caller's to close); -1 when
  // nothing is offered or no pipe could be made. The pipe ends when the owner has
  // written all, or has gone.
  int receive(const QString& type);
  // Empties the clipboard.
  void clearSelection();
  // Puts an offer of ours on the clipboard, listing `types`; false when the
  // compositor is gone. Pastes arrive as sendWanted(). Our offers are told from
  // others' when they come back as the clipboard's (ownSelection()), also after
  // we have dropped them: a marker type of this process rides along.
  bool setOwnSelection(const QStringList& types);
  // Whether the clipboard's current offer is one of ours.
  bool ownSelection() const { return types_.contains(ownMarker_); }
  // Whether our last offer still serves the clipboard: no other took its place.
  bool ownOfferServes() const { return source_ != nullptr && active(); }
  // Handles what the compositor has sent already, without waiting for more.
  void readPending();

 signals:
  // The clipboard changed: see offeredTypes().
  void selectionChanged();
  // Someone pastes our offer as `type`: its bytes go into `fd`, which is the
  // receiver's to close.
  void sendWanted(const QString& type, int fd);

 private:
  bool start();
  static void registryGlobal(void* client, wl_registry* registry, std::uint32_t name,
                             const char* interface, std::uint32_t version);
  void global(std::uint32_t name, const char* interface);
  // What the compositor says (DataControlListener).
  void offerAnnounced(wl_proxy* offer) override;
  void typeOffered(wl_proxy* offer, const char* type) override;
  void selectionOffered(wl_proxy* offer) override;
  void primarySelectionOffered(wl_proxy* offer) override;
  void deviceFinished() override;
  void pasteWanted(wl_proxy* source, const char* type, int fd) override;
  void sourceCancelled(wl_proxy* source) override;
  void dropOwnSource();
  void lose();
  void flush();

  wl_display* display_;
  wl_registry* registry_ = nullptr;
  wl_seat* seat_ = nullptr;
  std::uint32_t seatName_ = 0;
  std::uint32_t extName_ = 0, wlrName_ = 0;  // the managers' registry names, 0: none
  const DataControlProtocol* protocol_ = nullptr;
  wl_proxy* manager_ = nullptr;
  wl_proxy* device_ = nullptr;
  wl_proxy* selection_ = nullptr;  // the current offer, nullptr: nothing offered
  wl_proxy* source_ = nullptr;     // our offer while it is the clipboard's
  QString ownMarker_;
  bool lost_ = false;  // the connection failed
  // Offers announced whose selection event is still to come, with their types.
  std::unordered_map<wl_proxy*, QStringList> announced_;
  QStringList types_;
  unsigned selectionChanges_ = 0;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace snaprill
