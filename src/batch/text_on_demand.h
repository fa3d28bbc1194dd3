// Capture text for snaprill-batch, drawn by the text module, which is loaded the first
// time a text is measured or drawn.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/services.h"

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
  TextRenderer* renderer();

  std::vector<std::string> moduleDirs_;
  std::ostream& err_;
  std::unique_ptr<TextRenderer> renderer_;
  bool failed_ = false;
};

// Where the text module of a program in executableDir is: beside it (a build folder
// or portable copy), then in the installed layout.
std::vector<std::string> textModuleDirs(const std::string& executableDir);

}  // namespace snaprill
