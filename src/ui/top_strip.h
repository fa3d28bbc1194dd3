// The always-visible strip at the top of the main window: the quality caption and
// bar, the Hide Window and Help links, the image type with its panel, the
// Advanced Options link, the paused notice and the description of the type.
#pragma once

#include <QWidget>

#include "ui/option_binding.h"
#include "ui/session.h"
#include "ui/ui_texts.h"

class QLabel;
class QScrollBar;

namespace snaprill {

class LinkLabel;
class TypePanel;

// The name of each output type as the type panel shows it, by type index.
QString outputTypeName(int type);

class TopStrip : public QWidget {
  Q_OBJECT

 public:
  TopStrip(Session& session, UiTexts& texts, QWidget* parent = nullptr);

  TypePanel* typePanel() const { return typePanel_; }
  // The captions the capture cycle computes (quality, paused notice).
  void refreshView();
  // The type's name and description, after a change of type or language.
  void showType();
  // The Advanced Options link tells assistive technology whether the pages show.
  void showPagesExpanded(bool expanded);

 signals:
  void hideRequested();
  void helpRequested();
  void advancedRequested();
  void typePickerRequested();
  void pauseRequested();

 private:
  QString qualityBarName() const;

  Session& session_;
  UiTexts& texts_;
  OptionBinding binding_;
  QLabel* qualityCaption_ = nullptr;
  QScrollBar* qualityBar_ = nullptr;
  TypePanel* typePanel_ = nullptr;
  LinkLabel* advancedLink_ = nullptr;
  LinkLabel* pausedNotice_ = nullptr;
  QLabel* typeDescription_ = nullptr;
};

}  // namespace snaprill
