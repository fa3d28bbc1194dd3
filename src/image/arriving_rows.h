// A capture's rows can still be arriving from a worker thread when the picture is
// handed over, so that its writer starts on the top rows while the others are being
// decoded. Whoever reads the picture waits for the rows it reads; complete() waits
// for all of them, and so does the destructor: the worker never outlives what it
// writes to, whatever way the holder leaves. A worker may find only late that its
// rows cannot be made (damaged data): it then still delivers every row, and
// intact() tells the readers not to keep what they made of them.
#pragma once

#include <atomic>
#include <functional>
#include <memory>

namespace snaprill {

class ArrivingRows {
 public:
  // Tells readers that the top `rows` rows are complete; called by the worker only,
  // with growing counts.
  using Publish = std::function<void(int rows)>;

  ArrivingRows();  // nothing arriving: every row is there
  ArrivingRows(const ArrivingRows&) = delete;
  ArrivingRows& operator=(const ArrivingRows&) = delete;
  ~ArrivingRows();

  // Runs `work` on a worker thread for a picture of `height` rows; it returns false
  // when the rows it delivered are not the picture. `help` is run by complete() on
  // the holder's thread before it waits, to take a share of the work that the
  // worker has not begun. Neither may throw. Without a thread to be had, both run
  // here, before start returns. The worker reports every row done when its own work
  // ends, which may be while the holder is still helping: only the holder may wait
  // for rows.
  void start(int height, std::function<bool(const Publish&)> work, std::function<void()> help);

  // Blocks until the top `rows` rows are complete.
  void waitFor(int rows) const;
  // Whether the top `rows` rows are complete already; never blocks.
  bool arrived(int rows) const;
  // Blocks until every row is there: the picture is whole afterwards.
  void complete();
  // Once every row is there: false when the worker could not make them all.
  bool intact() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace snaprill
