// The tray program's capture history as the options say: while "History" is on, a
// CaptureHistory records every saved capture (after its file is closed, on the
// history's own threads) and reads its words in the background; off, nothing is
// recorded and no thread runs. The never-read list follows its option; "Forget all"
// deletes the index.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "capture/capture_observer.h"
#include "history/capture_history.h"
#include "ui/session.h"

namespace snaprill {

class HistoryKeeper : public CaptureObserver {
 public:
  explicit HistoryKeeper(Session& session);
  ~HistoryKeeper() override;
  HistoryKeeper(const HistoryKeeper&) = delete;
  HistoryKeeper& operator=(const HistoryKeeper&) = delete;

  // Starts keeping the history when the options say so (after the settings are
  // loaded): the vanished files dropped and the words still to be read read, at idle
  // priority. The first start with a history (after an upgrade) returns how many
  // pictures lie in the output folder, to offer indexing them; else 0.
  int start();

  // A saved capture is recorded with where it came from, after its file is closed.
  void captureEnded(const SaveOutcome& outcome, const CaptureSource& source) override;

  // Records a saved picture; nothing while the history is off.
  void record(const std::string& path, const CaptureSource& source);

  // While the history is kept: it, else nullptr.
  CaptureHistory* history() { return history_.get(); }
  // Where the index is (or would be).
  std::string indexPath() const;
  // Deletes the index; a kept history starts again, empty. Returns whether nothing
  // of the old index is left.
  bool forgetAll();
  // The pictures of the output folder that the index does not know yet, indexed in
  // the background.
  void indexOutputFolder();

 private:
  void follow();
  std::vector<std::string> outputFolders() const;
  int picturesInOutputFolders() const;

  Session& session_;
  std::unique_ptr<CaptureHistory> history_;
  bool started_ = false;
  bool missingAtStart_ = false;
  Options::WatchId enabledWatch_{};
  Options::WatchId neverReadWatch_{};
};

}  // namespace snaprill
