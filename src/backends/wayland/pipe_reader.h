// Reads what another program writes into a pipe, to its end, without ever
// blocking the event loop: the bytes of a clipboard offer. The rules are those
// of the X11 reader: an owner silent for a while is given up on, and an offer
// that grows past kMaxOfferBytes is given up while it arrives.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>

#include "platform/clipboard.h"

namespace snaprill {

class PipeReader : public QObject {
  Q_OBJECT

 public:
  // `silence`: how long the writer may send nothing before it is given up on.
  explicit PipeReader(std::chrono::milliseconds silence);
  ~PipeReader() override;

  // Reads the non-blocking pipe end `fd`, which is the reader's from here on (also
  // when it is -1: nothing then starts), ending a read under way unannounced.
  void start(int fd);
  // Ends the read under way, unannounced.
  void cancel();
  bool active() const { return fd_ >= 0; }

 signals:
  // The writer closed its end: everything it wrote.
  void finished(const QByteArray& bytes);
  // NotSent: silent too long, or the pipe failed; TooLarge: more than any picture.
  void failed(LostReason why);

 private:
  void readAvailable();
  void fail(LostReason why);

  int fd_ = -1;
  // One for every read: a read ends inside its notice, where the notifier must
  // live on.
  QSocketNotifier notifier_{QSocketNotifier::Read};
  QTimer silence_;
  QByteArray bytes_;
};

}  // namespace snaprill
