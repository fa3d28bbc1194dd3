// Widgets that show and edit options of the options model. A bound widget holds no
// option of its own: an edit by the user goes into the model (as if the user had
// changed the option, reactions and all), and every change of the model, whoever
// made it, comes back to the widget.
#pragma once

#include <functional>
#include <vector>

#include "options/options.h"

class QAbstractButton;
class QComboBox;
class QLineEdit;
class QScrollBar;
class QSpinBox;

namespace snaprill {

class OptionBinding {
 public:
  explicit OptionBinding(Options& options) : options_(options) {}
  // Ends every watch, so that no change reaches a widget being destroyed.
  ~OptionBinding();
  OptionBinding(const OptionBinding&) = delete;
  OptionBinding& operator=(const OptionBinding&) = delete;

  Options& options() { return options_; }

  // Runs refresh now and after every change of the option.
  void watch(Option id, std::function<void()> refresh);

  // A check box or radio button: checked while the option is.
  void check(QAbstractButton* box, Option id);
  // The other radio button of a pair whose partner stands for a stored check
  // option: checked while the option is not; a click unchecks the option, then runs
  // clicked (the partner's own reaction).
  void partnerRadio(QAbstractButton* radio, Option id, std::function<void()> clicked = {});
  // A number field over the option's range.
  void number(QSpinBox* spin, Option id);
  // A list: the entry the option's index names (none for -1).
  void list(QComboBox* combo, Option id);
  // A text field, its length limited as the option's.
  void text(QLineEdit* field, Option id);
  // The quality bar: range, position and enabled state of the option; the track
  // moves it by step() at a click.
  void scrollBar(QScrollBar* bar, Option id, std::function<int()> step);

  // Shows an option's value again where it is shown by more than its own watch
  // (the quality bar's range and enabled state change without a change of value).
  void refresh(Option id);

 private:
  struct Watch {
    Options::WatchId id;
    std::function<void()> refresh;
  };
  Options& options_;
  std::vector<Watch> watches_;
};

}  // namespace snaprill
