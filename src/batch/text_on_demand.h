// Capture text for snaprill-batch, drawn by the text module, which is loaded the first
// time a text is measured or drawn.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/services.h"
#include "text_module/text_module.h"

namespace snaprill {

class TextOnDemand : public TextRenderer {
 public:
  // The module is looked for in each folder in turn.
  TextOnDemand(std::vector<std::string> moduleDirs, std::ostream& err);
  ~TextOnDemand() override;

  TextSize measure(const std::string& utf8, const TextFont& font) override;
  void draw(Bitmap& target, int x, int y, const std::string& utf8, const TextFont& font,
            const std::optional<Rgb>& background) override;

  // The module could not be loaded: the pictures were saved without their text.
  bool failed() const { return failed_; }

 private:
  // The module's entry points, found by name.
  struct Module {
    decltype(&snaprill_text_create) create = nullptr;
    decltype(&snaprill_text_destroy) destroy = nullptr;
    decltype(&snaprill_text_measure) measure = nullptr;
    decltype(&snaprill_text_draw) draw = nullptr;
  };

  SnaprillTextRenderer* renderer();
  void drawDirectly(Bitmap& target, int x, int y, const std::string& utf8, const TextFont& font,
                    const std::optional<Rgb>& background);

  std::vector<std::string> moduleDirs_;
  std::ostream& err_;
  Module module_;
  std::unique_ptr<SnaprillTextRenderer, decltype(module_.destroy)> renderer_{nullptr, nullptr};
  bool failed_ = false;
};

// Where the text module of a program in executableDir is: beside it (a build folder
// or portable copy), then in the installed layout.
std::vector<std::string> textModuleDirs(const std::string& executableDir);

}  // namespace snaprill
