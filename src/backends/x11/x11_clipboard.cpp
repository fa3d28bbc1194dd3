#include "backends/x11/x11_clipboard.h"

#include <QGuiApplication>
#include <QSocketNotifier>
#include <chrono>
#include <climits>
#include <string>

// Last: its macros (None, Bool, Status) clash with names in the Qt headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include "backends/x11/ximage_bitmap.h"
#include "platform/clipboard.h"

namespace snaprill {

namespace {

// As long as Qt waits for another program's clipboard data; a transfer in parts
// may take this long for each part.
constexpr std::chrono::milliseconds kAnswerTimeout{5000};

// A pixmap is read in one request, while the window waits: far more than a 5K
// screen, yet read in a fraction of a second.
constexpr std::size_t kMaxPixmapPixels = std::size_t{1} << 24;

// Old X11 programs offer their pictures as a pixmap on the server, by its name.
bool isPixmapTarget(const QString& name) {
  return name == QLatin1String("PIXMAP") || name == QLatin1String("BITMAP");
}

// The server's time now, from a change of a property of `window` (which must
// select property changes).
Time serverTime(Display* display, Window window) {
  XChangeProperty(display, window, XA_STRING, XA_STRING, 8, PropModeAppend, nullptr, 0);
  XEvent event;
  XWindowEvent(display, window, PropertyChangeMask, &event);
  return event.xproperty.time;
}

}  // namespace

X11ClipboardReader::X11ClipboardReader() {
  auto* x11 =
      qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (x11 == nullptr || x11->display() == nullptr) return;
  Display* display = XOpenDisplay(XDisplayString(x11->display()));
  if (display == nullptr) return;
  int eventBase = 0, errorBase = 0;
  if (!XFixesQueryExtension(display, &eventBase, &errorBase)) {
    XCloseDisplay(display);
    return;
  }
  display_ = display;
  selectionNotifyType_ = eventBase + XFixesSelectionNotify;
  window_ = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  XSelectInput(display, window_, PropertyChangeMask);  // for data sent in parts
  clipboard_ = XInternAtom(display, "CLIPBOARD", False);
  targets_ = XInternAtom(display, "TARGETS", False);
  incr_ = XInternAtom(display, "INCR", False);
  for (std::size_t i = 0; i < properties_.size(); ++i) {
    const std::string name = "SNAPRILL_SELECTION_" + std::to_string(i);
    properties_[i] = XInternAtom(display, name.c_str(), False);
  }
  XFixesSelectSelectionInput(display, window_, clipboard_,
                             XFixesSetSelectionOwnerNotifyMask |
                                 XFixesSelectionWindowDestroyNotifyMask |
                                 XFixesSelectionClientCloseNotifyMask);
  // What is offered already is asked for like any later offer, without waiting:
  // an owner slow to answer must not hold up the start. It held the clipboard at
  // the time read before asking who owns it; a later owner's change is notified.
  const Time started = serverTime(display, window_);
  owner_ = XGetSelectionOwner(display, clipboard_);
  if (owner_ != None) {
    ownerTime_ = static_cast<std::uint32_t>(started);
    typesProperty_ = request(targets_, started);
  }
  XFlush(display);
  emptyOffer_ = std::make_unique<EmptyClipboardOffer>(XDisplayString(display));
  fetchTimer_.setSingleShot(true);
  fetchTimer_.setInterval(kAnswerTimeout);
  connect(&fetchTimer_, &QTimer::timeout, this, [this] { failFetch(LostReason::NotSent); });
  notifier_ = new QSocketNotifier(ConnectionNumber(display), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &X11ClipboardReader::processEvents);
  // Events Xlib read while asking who owns the clipboard would not wake the notifier.
  QMetaObject::invokeMethod(this, &X11ClipboardReader::processEvents, Qt::QueuedConnection);
}

X11ClipboardReader::~X11ClipboardReader() {
  if (display_ == nullptr) return;
  delete notifier_;
  XDestroyWindow(display_, window_);
  XCloseDisplay(display_);
}

unsigned long X11ClipboardReader::request(unsigned long target, unsigned long time) {
  const Atom property = properties_[nextProperty_++ % properties_.size()];
  XDeleteProperty(display_, window_, property);
  XConvertSelection(display_, clipboard_, target, property, window_, time);
  XFlush(display_);
  return property;
}

void X11ClipboardReader::processEvents() {
  // Held events came before any still in Xlib's queue, and handling one may hold
  // more (a release looks ahead for a change of hands): they go first, every time.
  // Xlib may have read events from the socket already: the notifier would not tell.
  for (;;) {
    std::unique_ptr<XEvent> event;
    if (!held_.empty()) {
      event = std::move(held_.front());
      held_.pop_front();
    } else if (XPending(display_) > 0) {
      event = std::make_unique<XEvent>();
      XNextEvent(display_, event.get());
    } else {
      return;
    }
    handle(*event);
  }
}

bool X11ClipboardReader::isClipboardChange(const XEvent& event) const {
  return event.type == selectionNotifyType_ &&
         reinterpret_cast<const XFixesSelectionNotifyEvent&>(event).selection == clipboard_;
}

void X11ClipboardReader::handle(const XEvent& event) {
  if (handleTransfer(event)) return;
  if (isClipboardChange(event)) {
    const auto& change = reinterpret_cast<const XFixesSelectionNotifyEvent&>(event);
    if (fetch_) {
      // The data was this owner's: a successor's offer is another one, but an owner
      // that went away has taken the picture with it.
      const bool ownerLeft =
          change.subtype != XFixesSetSelectionOwnerNotify || change.owner == None;
      if (ownerLeft) {
        failFetch(LostReason::OwnerQuit);
      } else {
        endFetch();
      }
    }
    ++ownerChanges_;
    owner_ = change.owner;
    ownerTime_ = owner_ != None ? static_cast<std::uint32_t>(change.selection_timestamp) : 0;
    types_.clear();
    pixmapTarget_ = 0;
    const bool foreign = owner_ != None && owner_ != ownWindow_ && owner_ != emptyOffer_->window();
    typesProperty_ = foreign ? request(targets_, change.selection_timestamp) : 0;
    emit changed();
  } else if (event.type == SelectionNotify && event.xselection.requestor == window_) {
    const Atom property = event.xselection.property;
    if (property != None && property == typesProperty_ && event.xselection.target == targets_) {
      typesProperty_ = 0;
      readTypes(property);
      emit changed();
    } else if (property != None) {
      // The answer to a request given up on: its data is not kept.
      XDeleteProperty(display_, window_, property);
    }
  }
}

void X11ClipboardReader::readTypes(unsigned long property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  types_.clear();
  pixmapTarget_ = 0;
  if (XGetWindowProperty(display_, window_, property, 0, INT_MAX / 4, True, AnyPropertyType, &type,
                         &format, &count, &after, &data) != Success)
    return;
  if (format == 32) {
    // Format-32 data comes as longs from Xlib.
    const auto* atoms = reinterpret_cast<const unsigned long*>(data);
    for (unsigned long i = 0; i < count; ++i) {
      const QString name = atomName(atoms[i]);
      if (!isPixmapTarget(name)) {
        types_.append(name);
      } else if (pixmapTarget_ == 0 || name == QLatin1String("PIXMAP")) {
        if (pixmapTarget_ == 0) types_.append(kPixmapType);
        pixmapTarget_ = atoms[i];
      }
    }
  }
  if (data != nullptr) XFree(data);
}

QString X11ClipboardReader::atomName(unsigned long atom) {
  const auto known = names_.find(atom);
  if (known != names_.end()) return known->second;
  char* name = atom != None ? XGetAtomName(display_, atom) : nullptr;
  const QString text = name != nullptr ? QString::fromLatin1(name) : QString();
  if (name != nullptr) XFree(name);
  names_.emplace(atom, text);
  return text;
}

void X11ClipboardReader::readPending() {
  bool read = false;
  while (XEventsQueued(display_, QueuedAfterReading) > 0) {
    auto event = std::make_unique<XEvent>();
    XNextEvent(display_, event.get());
    held_.push_back(std::move(event));
    read = true;
  }
  // Read from the socket, they would not wake the notifier.
  if (read) {
    QMetaObject::invokeMethod(this, &X11ClipboardReader::processEvents, Qt::QueuedConnection);
  }
}

bool X11ClipboardReader::changePending() {
  if (display_ == nullptr) return false;
  readPending();
  for (const auto& event : held_) {
    if (isClipboardChange(*event)) return true;
  }
  return false;
}

std::optional<QByteArray> X11ClipboardReader::readProperty(unsigned long property,
                                                           bool* incremental) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  // All of it in one request, deleted as it is read (which, when the data comes in
  // parts, asks the owner for the next part).
  if (XGetWindowProperty(display_, window_, property, 0, INT_MAX / 4, True, AnyPropertyType, &type,
                         &format, &count, &after, &data) != Success)
    return std::nullopt;
  std::optional<QByteArray> bytes;
  if (type != None) {
    bytes.emplace();
    if (format == 8 && type != incr_)
      *bytes = QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(count));
  }
  if (incremental != nullptr) *incremental = type == incr_;
  if (data != nullptr) XFree(data);
  return bytes;
}

bool X11ClipboardReader::startFetch(const QString& type) {
  endFetch();
  if (display_ == nullptr || owner_ == None) return false;
  Transfer transfer;
  transfer.pixmap = type == kPixmapType;
  if (transfer.pixmap && pixmapTarget_ == 0) return false;
  transfer.target =
      transfer.pixmap ? pixmapTarget_ : XInternAtom(display_, type.toLatin1().constData(), False);
  transfer.time = ownerTime_ != 0 ? ownerTime_ : CurrentTime;
  transfer.property = request(transfer.target, transfer.time);
  fetch_ = std::move(transfer);
  fetchTimer_.start();
  return true;
}

void X11ClipboardReader::cancelFetch() {
  endFetch();
}

void X11ClipboardReader::endFetch() {
  if (!fetch_) return;
  // Whatever the owner still sends there is not read.
  XDeleteProperty(display_, window_, fetch_->property);
  XFlush(display_);
  fetch_.reset();
  fetchTimer_.stop();
}

void X11ClipboardReader::failFetch(LostReason why) {
  if (!fetch_) return;
  endFetch();
  emit fetchFailed(why);
}

bool X11ClipboardReader::handleTransfer(const XEvent& event) {
  if (!fetch_) return false;
  Transfer& transfer = *fetch_;
  if (event.type == SelectionNotify && event.xselection.requestor == window_ &&
      event.xselection.selection == clipboard_ && event.xselection.target == transfer.target &&
      !transfer.incremental &&
      (event.xselection.property == transfer.property || event.xselection.property == None)) {
    if (event.xselection.property == None) {
      // A refusal names no property of ours: the time tells a late one, meant for a
      // request to the owner before, from this owner's.
      const unsigned long time = event.xselection.time;
      if (time != CurrentTime && transfer.time != CurrentTime && time != transfer.time) return true;
      failFetch(LostReason::Refused);
      return true;
    }
    if (transfer.pixmap) {
      readPixmap(transfer.property);
      return true;
    }
    bool incremental = false;
    std::optional<QByteArray> bytes = readProperty(transfer.property, &incremental);
    if (!bytes) {
      failFetch(LostReason::NotSent);  // announced, but gone before it was read
    } else if (incremental) {
      // Each part comes once the previous one is deleted; reading the announcement
      // deleted it.
      transfer.incremental = true;
      fetchTimer_.start();
    } else {
      const QByteArray whole = std::move(*bytes);
      endFetch();
      emit fetched(whole);
    }
    return true;
  }
  if (event.type == PropertyNotify && transfer.incremental && event.xproperty.window == window_ &&
      event.xproperty.atom == transfer.property && event.xproperty.state == PropertyNewValue) {
    readPart();
    return true;
  }
  return false;
}

void X11ClipboardReader::readPixmap(unsigned long property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  unsigned long pixmap = None;
  if (XGetWindowProperty(display_, window_, property, 0, 1, True, AnyPropertyType, &type, &format,
                         &count, &after, &data) == Success &&
      format == 32 && count == 1) {
    pixmap = *reinterpret_cast<const unsigned long*>(data);
  }
  if (data != nullptr) XFree(data);
  endFetch();
  // The server has the pixels, not the owner: this asks nothing of a program that
  // might not answer.
  PixmapPicture read =
      pixmap != None ? pictureOfPixmap(display_, pixmap, kMaxPixmapPixels) : PixmapPicture{};
  if (read.tooLarge) {
    emit fetchFailed(LostReason::TooLarge);
  } else {
    pixmapPicture_ = std::move(read.picture);
    emit pixmapFetched();
  }
}

void X11ClipboardReader::readPart() {
  const std::optional<QByteArray> part = readProperty(fetch_->property, nullptr);
  if (!part) return;  // a notice of a value read already: the part is yet to come
  if (part->isEmpty()) {
    const QByteArray whole = std::move(fetch_->bytes);
    endFetch();
    emit fetched(whole);
    return;
  }
  if (fetch_->bytes.size() + part->size() > kMaxOfferBytes) {
    failFetch(LostReason::TooLarge);
    return;
  }
  fetch_->bytes += *part;
  fetchTimer_.start();
}

unsigned long X11ClipboardReader::currentOwner() {
  if (display_ == nullptr) return None;
  const Window owner = XGetSelectionOwner(display_, clipboard_);
  // Events read while waiting for the answer would not wake the notifier.
  QMetaObject::invokeMethod(this, &X11ClipboardReader::processEvents, Qt::QueuedConnection);
  return owner;
}

bool X11ClipboardReader::empty() {
  if (display_ == nullptr) return false;
  // A newer owner's offer must stay: its notification will say what it offers.
  if (changePending()) return true;
  if (owner_ == None || owner_ == emptyOffer_->window()) return true;
  if (emptyOffer_->active()) {
    emptyOffer_->takeFrom(owner_, ownerTime_);
  } else {
    XSetSelectionOwner(display_, clipboard_, None, ownerTime_);
    XFlush(display_);
  }
  // Nothing is offered from here on, whenever the notification of the change comes.
  // Had another program taken the clipboard first, the server ignores the change
  // and the notification of that program's (still to come) says what it offers.
  owner_ = None;
  ownerTime_ = 0;
  types_.clear();
  typesProperty_ = 0;
  QMetaObject::invokeMethod(this, &X11ClipboardReader::processEvents, Qt::QueuedConnection);
  return true;
}

}  // namespace snaprill
