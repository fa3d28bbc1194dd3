// The clipboard of a Wayland session whose compositor lets a client follow it
// (data_control_client.h): every copy is seen as it happens, whichever window has
// the focus, and an offer the cycle has saved is emptied on the Wayland side
// itself. The rules are those of the X11 watcher (offer_tracker.h keeps the offer's
// state): the offered types are looked at once per change; a picture is read as
// soon as it is offered, in the background, and the capture cycle told once it is
// here; an offer given up (never sent, damaged, its owner gone) is left on the
// clipboard, no longer counts, and the cycle hears why; text and secrets are left
// alone (pictureTarget).
//
// Our own pictures (offer(): the program's own Print Screen while "Print Screen
// copies the screen" is on) go onto the compositor's clipboard, where other
// programs paste them as PNG, made when the first asks; the cycle is handed the
// picture itself, in process, once. When the compositor shows our offer back as
// the clipboard's, it is known for ours and never read as another's: that would
// be a second capture of the same press. As on X11, the cycle empties the
// clipboard once the picture is saved, unless another offer came meanwhile; one
// not saved (paused, its file not written) stays there to be pasted.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "backends/wayland/data_control_client.h"
#include "backends/wayland/pipe_reader.h"
#include "backends/wayland/pipe_writer.h"
#include "platform/offer_tracker.h"

namespace snaprill {

class WaylandClipboard : public QObject, public Clipboard, private OfferTracker::Watcher {
  Q_OBJECT

 public:
  // `later` tells the cycle of a picture once the event loop is free; the clock
  // stamps other programs' offers.
  WaylandClipboard(std::unique_ptr<DataControlClient> client, std::unique_ptr<Timer> later,
                   const Clock& clock);

  // Which protocol the compositor is followed through.
  const char* protocolName() const { return client_->protocolName(); }

  PictureSource& pictures() override { return tracker_; }
  void setTakePicturesWithText(bool take) override;
  void offer(Bitmap picture, const CaptureSource& source) override;

 private:
  TakenPicture takeOffered(ArrivingRows* rows) override;
  void settleTaken(bool gone) override;
  void emptyClipboard() override;

  void refresh();
  void fetched(const QByteArray& bytes);
  void fetchFailed(LostReason why);
  void forgetData();
  void forgetOwn();
  void giveUp();
  // The cycle hears of a loss once the event loop is free: never from inside a call
  // of the program's own.
  void tellLostLater(LostReason why);
  bool takenOfferStillHere();
  // Someone pastes our offer.
  void serve(const QString& type, int fd);

  std::unique_ptr<DataControlClient> client_;
  PipeReader reader_;
  bool takeWithText_ = false;
  QString target_;  // what the offered picture is read as
  // Which offer target_ was chosen from: the client's count of changes then.
  unsigned targetOffer_ = 0;
  QByteArray data_;  // the offered picture's bytes, once here
  Bitmap own_;       // our own picture while it is the one offered
  unsigned ownOffers_ = 0;
  QByteArray ownPng_;  // own_ as other programs are served it, once one asked
  std::vector<std::unique_ptr<PipeWriter>> writers_;
  // The offer last handed over: the client's count of changes then, or
  // for our own, our count of own offers.
  std::optional<unsigned> taken_;
  std::optional<unsigned> takenOwn_;
  OfferTracker tracker_;
};

}  // namespace snaprill
