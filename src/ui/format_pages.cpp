// The pages about the picture written: "GIF" (animations, also for AVI), "TIFF, TGA,
// BMP" (their pixel formats) and "Dimensions & Effects" (crop, resize, colour
// effects).
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "options/output_type_choice.h"
#include "ui/area_chooser.h"
#include "ui/link_label.h"
#include "ui/option_pages.h"
#include "ui/wrapped_label.h"

namespace snaprill {

namespace {

// A group's controls in one column, gathered at its top.
QVBoxLayout* column(QGroupBox* group) {
  auto* layout = new QVBoxLayout(group);
  layout->setAlignment(Qt::AlignTop);
  return layout;
}

// Groups side by side, at the top of their page.
QWidget* row(const char* name, std::initializer_list<QWidget*> groups) {
  auto* page = new QWidget;
  page->setObjectName(QLatin1String(name));
  auto* layout = new QHBoxLayout(page);
  for (QWidget* g : groups) layout->addWidget(g, 0, Qt::AlignTop);
  return page;
}

}  // namespace

QWidget* OptionPages::buildGifPage() {
  QGroupBox* gifGroup = group({"GIF", "GIFOpt"}, "gifGroup");
  QRadioButton* saveSeparateImages = radio({"GIF", "SaveSeparately"}, "saveSeparateImages");
  QRadioButton* saveAnimation = radio({"GIF", "SaveAni"}, "saveAnimation");
  binding_.partnerRadio(saveSeparateImages, Option::saveAnimation, [this] {
    chooseSeparateImages(options_, session_.services.dialogs, session_.texts);
  });
  binding_.check(saveAnimation, Option::saveAnimation);
  auto* frameCount = new QHBoxLayout;
  QSpinBox* frameCountField = number(Option::animationFrameCount, "animationFrameCount");
  name(frameCountField, {{"GIF", "SaveAni"}, {"GIF", "After"}, {"GIF", "Images"}});
  frameCount->addWidget(label({"GIF", "After"}, frameCountField));
  frameCount->addWidget(frameCountField);
  frameCount->addWidget(label({"GIF", "Images"}));
  frameCount->addStretch(1);
  auto* delay = new QHBoxLayout;
  QSpinBox* frameDelay = number(Option::frameDelay, "frameDelay");
  name(frameDelay, {{"GIF", "Delay"}});
  delay->addWidget(label({"GIF", "Delay"}, frameDelay));
  delay->addWidget(frameDelay);
  delay->addStretch(1);
  QVBoxLayout* gifLayout = column(gifGroup);
  gifLayout->addWidget(saveSeparateImages);
  gifLayout->addWidget(saveAnimation);
  gifLayout->addLayout(frameCount);
  gifLayout->addLayout(delay);
  gifLayout->addWidget(check(Option::gifGrayscale, {"GIF", "Grayscale"}, "gifGrayscale"));
  gifLayout->addWidget(check(Option::optimizeAnimation, {"GIF", "Optimize"}, "optimizeAnimation"));

  QGroupBox* gifInfoGroup = group({"Information", "Information"}, "gifInfoGroup");
  QLabel* gifInfoLabel = wrappedLabel({"Information", "InfoText"}, 36);
  QLabel* aviInfoLabel = wrappedLabel({"Information", "AVIInfo"}, 36);
  QVBoxLayout* infoLayout = column(gifInfoGroup);
  infoLayout->addWidget(gifInfoLabel);
  infoLayout->addWidget(aviInfoLabel);
  return row("gifPage", {gifGroup, gifInfoGroup});
}

QWidget* OptionPages::buildTiffTgaBmpPage() {
  QGroupBox* tiffGroup = group({"TIFF", "TIFFOptions"}, "tiffGroup");
  QVBoxLayout* tiffLayout = column(tiffGroup);
  QComboBox* tiffDepth =
      list(Option::tiffDepth, {{"TIFF", "24bit"}, {"TIFF", "8bit"}, {"TIFF", "4bit"}}, "tiffDepth");
  name(tiffDepth, {{"TIFF", "TIFFOptions"}, {"TIFF", "PixelFormat"}});
  tiffLayout->addWidget(label({"TIFF", "PixelFormat"}, tiffDepth));
  tiffLayout->addWidget(tiffDepth);

  QGroupBox* targaGroup = group({"Targa", "TargaOptions"}, "targaGroup");
  column(targaGroup)
      ->addWidget(
          check(Option::targaBlackAndWhite, {"Targa", "BlackAndWhite"}, "targaBlackAndWhite"));

  QGroupBox* bitmapGroup = group({"Bitmap", "BitmapOptions"}, "bitmapGroup");
  QVBoxLayout* bitmapLayout = column(bitmapGroup);
  QComboBox* bitmapDepth = list(Option::bitmapDepth,
                                {{"Bitmap", "Default"},
                                 {"Bitmap", "32bit"},
                                 {"Bitmap", "24bit"},
                                 {"Bitmap", "16bit"},
                                 {"Bitmap", "8bit"},
                                 {"Bitmap", "4bit"},
                                 {"Bitmap", "1bit"}},
                                "bitmapDepth");
  name(bitmapDepth, {{"Bitmap", "BitmapOptions"}, {"Bitmap", "PixelFormat"}});
  bitmapLayout->addWidget(label({"Bitmap", "PixelFormat"}, bitmapDepth));
  bitmapLayout->addWidget(bitmapDepth);
  return row("tiffTgaBmpPage", {tiffGroup, targaGroup, bitmapGroup});
}

QWidget* OptionPages::buildDimensionsPage() {
  QGroupBox* cropGroup = group({"Crop", "Crop"}, "cropGroup");
  LinkLabel* chooseCropAreaLink = link({"Crop", "ChooseArea"}, "chooseCropAreaLink");
  auto* cropLayout = new QGridLayout(cropGroup);
  cropLayout->addWidget(check(Option::crop, {"Crop", "CropImages"}, "crop"), 0, 0, 1, 4);
  addNumberFields(cropLayout, 1, {"Crop", "Crop"},
                  {{Option::cropLeft, {"Crop", "Left"}, "cropLeft"},
                   {Option::cropWidth, {"Crop", "Width"}, "cropWidth"},
                   {Option::cropTop, {"Crop", "Top"}, "cropTop"},
                   {Option::cropHeight, {"Crop", "Height"}, "cropHeight"}},
                  2);
  cropLayout->addWidget(chooseCropAreaLink, 3, 0, 1, 4);

  QGroupBox* resizeGroup = group({"Resize", "Resize"}, "resizeGroup");
  LinkLabel* chooseResizeAreaLink = link({"Resize", "ChooseArea"}, "chooseResizeAreaLink");
  auto* resizeLayout = new QGridLayout(resizeGroup);
  resizeLayout->addWidget(check(Option::autoResize, {"Resize", "AutoResize"}, "autoResize"), 0, 0,
                          1, 2);
  addNumberFields(resizeLayout, 1, {"Resize", "Resize"},
                  {{Option::resizeWidth, {"Resize", "Width"}, "resizeWidth"},
                   {Option::resizeHeight, {"Resize", "Height"}, "resizeHeight"}},
                  1);
  resizeLayout->addWidget(chooseResizeAreaLink, 3, 0, 1, 2);
  // Both links say "Choose Area"; their names say for what.
  name(chooseCropAreaLink, {{"Crop", "ChooseArea"}, {"Crop", "Crop"}});
  name(chooseResizeAreaLink, {{"Resize", "ChooseArea"}, {"Resize", "Resize"}});
  connect(chooseCropAreaLink, &LinkLabel::clicked, this,
          [this] { chooseCropArea(options_, session_.texts, window()); });
  connect(chooseResizeAreaLink, &LinkLabel::clicked, this,
          [this] { chooseResizeArea(options_, session_.texts, window()); });

  QGroupBox* effectsGroup = group({"Effects", "Effects"}, "effectsGroup");
  QVBoxLayout* effectsLayout = column(effectsGroup);
  effectsLayout->addWidget(check(Option::invertColours, {"Effects", "Invert"}, "invertColours"));
  effectsLayout->addWidget(check(Option::grayscale, {"Effects", "Grayscale"}, "grayscale"));
  return row("dimensionsPage", {cropGroup, resizeGroup, effectsGroup});
}

}  // namespace snaprill
