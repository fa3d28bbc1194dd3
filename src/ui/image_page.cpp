// The "Image" page: the capture text with its colours and font, the mouse cursor,
// and the overlay picture.
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QVBoxLayout>

#include "backends/qt/qimage_bitmap.h"
#include "settings/settings_file.h"
#include "ui/colour_swatch.h"
#include "ui/guarded.h"
#include "ui/link_label.h"
#include "ui/option_pages.h"
#include "ui/readable_colour.h"

namespace snaprill {

namespace {

constexpr const char* kOverlayFilter =
    "All (*.gif;*.png;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf;*.pcx;*.tga;*.webp;*.avif;*.jxl)|"
    "*.gif;*.png;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf;*.pcx;*.tga;*.webp;*.avif;*.jxl|"
    "GIF Image (*.gif)|*.gif|PNG Image (*.png)|*.png|JPEG Image (*.jpg;*.jpeg)|*.jpg;*.jpeg|"
    "Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico|Enhanced Metafiles (*.emf)|*.emf|"
    "Metafiles (*.wmf)|*.wmf|PCX Image (*.pcx)|*.pcx|Targa Image (*.tga)|*.tga|"
    "WebP Image (*.webp)|*.webp|AVIF Image (*.avif)|*.avif|JPEG XL Image (*.jxl)|*.jxl|"
    "All files (*.*)|*.*";

// The overlay is shown stretched into a field of fixed size, so that a large
// overlay picture cannot grow the page.
constexpr QSize kOverlayPreviewSize(145, 129);

ColourSwatch* swatch(const char* name) {
  auto* s = new ColourSwatch;
  s->setObjectName(QLatin1String(name));
  return s;
}

}  // namespace

QWidget* OptionPages::buildImagePage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("imagePage"));

  // The capture text.
  QGroupBox* textGroup = group({"Text", "Text"}, "textGroup");
  captureTextField_ = field(Option::captureText, "captureText");
  captureTextField_->setAutoFillBackground(true);
  texts_.bindToolTip(captureTextField_, {"Text", "FieldsHint"});
  QComboBox* position = list(Option::textPosition,
                             {{"Text", "UpperLeft"},
                              {"Text", "UpperRight"},
                              {"Text", "UpCenter"},
                              {"Text", "LowerLeft"},
                              {"Text", "LowerRight"},
                              {"Text", "DownCenter"}},
                             "textPosition");
  name(captureTextField_, {{"Text", "Text"}});
  name(position, {{"Text", "Text"}, {"OtherImages", "Position"}});
  ColourSwatch* textColourSwatch = swatch("textColourSwatch");
  ColourSwatch* textBackgroundSwatch = swatch("textBackgroundSwatch");
  texts_.bind({"Text", "TextColor"},
              [textColourSwatch](const QString& t) { textColourSwatch->setCaption(t); });
  texts_.bind({"Text", "BackColor"},
              [textBackgroundSwatch](const QString& t) { textBackgroundSwatch->setCaption(t); });
  binding_.watch(Option::textColour, [this, textColourSwatch] {
    textColourSwatch->setValue(options_.value(Option::textColour));
  });
  binding_.watch(Option::textBackgroundColour, [this, textBackgroundSwatch] {
    textBackgroundSwatch->setValue(options_.value(Option::textBackgroundColour));
  });
  connect(textColourSwatch, &ColourSwatch::clicked, this,
          [this] { chooseTextColour(Option::textColour); });
  connect(textBackgroundSwatch, &ColourSwatch::clicked, this,
          [this] { chooseTextColour(Option::textBackgroundColour); });
  LinkLabel* changeFontLink = link({"Text", "ChangeFont"}, "changeFontLink");
  connect(changeFontLink, &LinkLabel::clicked, this, &OptionPages::chooseTextFont);
  for (const Option shown :
       {Option::textColour, Option::textBackgroundColour, Option::fillTextBackground}) {
    binding_.watch(shown, [this] { updateTextPreview(); });
  }
  auto* textLayout = new QGridLayout(textGroup);
  textLayout->addWidget(check(Option::addText, {"Text", "AddText"}, "addText"), 0, 0, 1, 4);
  textLayout->addWidget(captureTextField_, 1, 0, 1, 4);
  textLayout->addWidget(position, 2, 0, 1, 2);
  textLayout->addWidget(textColourSwatch, 2, 2, 1, 2);
  textLayout->addWidget(changeFontLink, 3, 0, 1, 2);
  textLayout->addWidget(textBackgroundSwatch, 3, 2, 1, 2);
  textLayout->addWidget(
      check(Option::fillTextBackground, {"Text", "AddBackground"}, "fillTextBackground"), 4, 0, 1,
      4);
  textLayout->addWidget(wrappedLabel({"Text", "SpaceText"}, 40), 5, 0, 1, 4);
  addNumberFields(textLayout, 6, {"Text", "Text"},
                  {{Option::textOffsetX, {"Text", "X"}, "textOffsetX"},
                   {Option::textOffsetY, {"Text", "Y"}, "textOffsetY"}},
                  2, Qt::AlignRight);

  // The mouse cursor.
  QGroupBox* cursorGroup = group({"Mouse", "Mouse"}, "cursorGroup");
  auto* cursorLayout = new QVBoxLayout(cursorGroup);
  const ScreenGrabber* grabber = session_.services.screenGrabber;
  const bool cursorShown = grabber == nullptr || grabber->showsCursor();
  cursorLayout->addWidget(check(
      Option::addCursor, {"Mouse", cursorShown ? "AddCursor" : "AddCursorNoEffect"}, "addCursor"));

  // The overlay picture, with its own menu.
  QGroupBox* overlayGroup = group({"OtherImages", "OtherImages"}, "overlayGroup");
  LinkLabel* loadOverlayLink = link({"OtherImages", "LoadImage"}, "loadOverlayLink");
  connect(loadOverlayLink, &LinkLabel::clicked, this, &OptionPages::loadOverlay);
  overlayPreview_ = new QLabel;
  overlayPreview_->setObjectName(QStringLiteral("overlayPreview"));
  overlayPreview_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  overlayPreview_->setFixedSize(kOverlayPreviewSize);
  overlayPreview_->setScaledContents(true);
  overlayPreview_->setContextMenuPolicy(Qt::CustomContextMenu);
  overlayMenu_ = new QMenu(this);
  overlayMenu_->setObjectName(QStringLiteral("overlayMenu"));
  QAction* loadOverlayAction = overlayMenu_->addAction(QString(), this, &OptionPages::loadOverlay);
  QAction* clearOverlayAction =
      overlayMenu_->addAction(QString(), this, &OptionPages::clearOverlay);
  loadOverlayAction->setObjectName(QStringLiteral("loadOverlayAction"));
  clearOverlayAction->setObjectName(QStringLiteral("clearOverlayAction"));
  texts_.bind(loadOverlayAction, {"PopupMenu", "LoadImage"});
  texts_.bind(clearOverlayAction, {"PopupMenu", "ClearImage"});
  connect(overlayPreview_, &QLabel::customContextMenuRequested, this,
          [this](const QPoint& at) { overlayMenu_->popup(overlayPreview_->mapToGlobal(at)); });
  auto* overlayLayout = new QGridLayout(overlayGroup);
  overlayLayout->addWidget(check(Option::addOverlay, {"OtherImages", "AddOther"}, "addOverlay"), 0,
                           0, 1, 4);
  overlayLayout->addWidget(loadOverlayLink, 1, 0, 1, 4);
  overlayLayout->addWidget(label({"OtherImages", "CurrentImage"}), 2, 0, 1, 4);
  overlayLayout->addWidget(overlayPreview_, 3, 0, 1, 4, Qt::AlignLeft);
  overlayLayout->addWidget(label({"OtherImages", "Position"}), 4, 0, 1, 4);
  addNumberFields(overlayLayout, 5, {"OtherImages", "OtherImages"},
                  {{Option::overlayX, {"OtherImages", "X"}, "overlayX"},
                   {Option::overlayY, {"OtherImages", "Y"}, "overlayY"}},
                  2, Qt::AlignRight);
  refreshOverlayPreview();

  auto* layout = new QGridLayout(page);
  layout->addWidget(textGroup, 0, 0);
  layout->addWidget(cursorGroup, 1, 0);
  layout->addWidget(overlayGroup, 0, 1, 3, 1);
  layout->setRowStretch(2, 1);
  return page;
}

void OptionPages::chooseTextColour(Option colour) {
  const QColor shown = colourFromValue(options_.value(colour), palette());
  if (const std::optional<QColor> chosen = choosers_.colour(shown, window())) {
    options_.setValue(colour, valueFromColour(*chosen));
  }
}

void OptionPages::chooseTextFont() {
  const int style = options_.value(Option::textFontStyle);
  QFont font(toQString(options_.text(Option::textFontName)));
  font.setPointSize(std::max(1, options_.value(Option::textFontSize)));
  font.setBold((style & kTextBold) != 0);
  font.setItalic((style & kTextItalic) != 0);
  font.setUnderline((style & kTextUnderline) != 0);
  font.setStrikeOut((style & kTextStrikeOut) != 0);
  const std::optional<QFont> chosen = choosers_.font(font, window());
  if (!chosen) return;
  options_.setText(Option::textFontName, toUtf8(chosen->family()));
  if (chosen->pointSize() > 0) options_.setValue(Option::textFontSize, chosen->pointSize());
  options_.setValue(Option::textFontStyle, (chosen->bold() ? kTextBold : 0) |
                                               (chosen->italic() ? kTextItalic : 0) |
                                               (chosen->underline() ? kTextUnderline : 0) |
                                               (chosen->strikeOut() ? kTextStrikeOut : 0));
  guarded(session_.reports, [this] { session_.settings.writeFont(); });
}

void OptionPages::updateTextPreview() {
  // The text field shows the capture text as it will be drawn: in the text colour,
  // on the background colour when one is added. Without one, the field's own
  // background is only a backdrop: the button colour where the text reads on it,
  // else the window's or plain black or white (green text on a dark theme).
  QPalette preview = palette();
  const QColor text = colourFromValue(options_.value(Option::textColour), palette());
  preview.setColor(QPalette::Text, text);
  preview.setColor(QPalette::Base,
                   options_.checked(Option::fillTextBackground)
                       ? colourFromValue(options_.value(Option::textBackgroundColour), palette())
                       : readableAgainst(text, {palette().color(QPalette::Button),
                                                palette().color(QPalette::Base)}));
  captureTextField_->setPalette(preview);
}

void OptionPages::loadOverlay() {
  const std::optional<std::string> path = session_.services.dialogs.openFile(
      session_.texts.get("Dialogs", "LoadImage"), kOverlayFilter, std::string());
  if (!path) return;
  guarded(session_.reports, [this, &path] { session_.state.overlay.load(*path); });
  refreshOverlayPreview();
}

void OptionPages::clearOverlay() {
  session_.state.overlay.clear();
  refreshOverlayPreview();
}

void OptionPages::refreshOverlayPreview() {
  const OverlayPicture& overlay = session_.state.overlay;
  overlayPreview_->setPixmap(
      overlay.empty() ? QPixmap() : QPixmap::fromImage(qimageFromBitmap(overlay.picture())));
}

}  // namespace snaprill
