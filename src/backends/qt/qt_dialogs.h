// Message boxes and file dialogs through Qt Widgets.
#pragma once

#include <QString>
#include <QWidget>

#include "platform/services.h"

namespace snaprill {

// Turns a filter of the form "Name (*.a;*.b)|*.a;*.b|All files (*.*)|*.*" into Qt's
// form "Name (*.a *.b);;All files (*)". The patterns after each bar are what counts;
// a parenthesised pattern list at the end of a name is replaced by them.
QString toQtFileFilter(const std::string& filter);

class QtDialogs : public Dialogs {
 public:
  // Dialogs are centred on parent, which may be set later (the main window).
  void setParent(QWidget* parent) { parent_ = parent; }
  // From here on no box waits for a click: their texts go to stderr and questions are
  // answered Cancel. For a program ending on a signal, which nobody may be at the
  // screen to see.
  void reportOnStandardError() { onStandardError_ = true; }

  void errorBox(const std::string& text) override;
  void messageBox(const std::string& text) override;
  bool confirm(const std::string& text) override;
  std::optional<std::string> openFile(const std::string& title, const std::string& filter,
                                      const std::string& initialDir) override;
  std::optional<std::vector<std::string>> openFiles(const std::string& title,
                                                    const std::string& filter,
                                                    const std::string& initialDir) override;
  std::optional<std::string> saveFile(const std::string& title, const std::string& filter,
                                      const std::string& defaultExtension,
                                      const std::string& initialDir) override;

 private:
  QWidget* parent_ = nullptr;
  bool onStandardError_ = false;
};

}  // namespace snaprill
