#include "batch/text_on_demand.h"

#include <dlfcn.h>

#include "text_module/text_module.h"

namespace snaprill {

TextOnDemand::TextOnDemand(std::vector<std::string> moduleDirs, std::ostream& err)
    : moduleDirs_(std::move(moduleDirs)), err_(err) {}

// The module stays loaded: Qt cannot be unloaded safely.
TextOnDemand::~TextOnDemand() = default;

TextRenderer* TextOnDemand::renderer() {
  if (renderer_ || failed_) return renderer_.get();
  std::string why = "not found";
  for (const std::string& dir : moduleDirs_) {
    void* module = ::dlopen((dir + kTextModuleFile).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
      // A module that is there but cannot load says more than the ones not found.
      if (const char* error = ::dlerror();
          error && !std::string(error).ends_with("No such file or directory"))
        why = error;
      continue;
    }
    if (const auto make = reinterpret_cast<MakeTextRenderer>(::dlsym(module, kTextModuleEntry))) {
      renderer_.reset(make());
      return renderer_.get();
    }
    why = "no entry point in " + dir + kTextModuleFile;
  }
  failed_ = true;
  err_ << "snaprill-batch: the capture text cannot be drawn, pictures are saved without it: "
       << kTextModuleFile << ": " << why << '\n';
  return nullptr;
}

TextSize TextOnDemand::measure(const std::string& utf8, const TextFont& font) {
  TextRenderer* r = renderer();
  return r ? r->measure(utf8, font) : TextSize{};
}

void TextOnDemand::draw(Bitmap& target, int x, int y, const std::string& utf8, const TextFont& font,
                        const std::optional<Rgb>& background) {
  if (TextRenderer* r = renderer()) r->draw(target, x, y, utf8, font, background);
}

std::vector<std::string> textModuleDirs(const std::string& executableDir) {
  return {executableDir, executableDir + SNAPRILL_TEXT_MODULE_FROM_BIN};
}

}  // namespace snaprill
