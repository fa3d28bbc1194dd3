#include "batch/text_on_demand.h"

#include <dlfcn.h>

#include "base/loadable_module.h"

namespace snaprill {

namespace {

// The style bits pass through as they are, on both sides.
static_assert(SNAPRILL_TEXT_BOLD == kTextBold && SNAPRILL_TEXT_ITALIC == kTextItalic &&
              SNAPRILL_TEXT_UNDERLINE == kTextUnderline &&
              SNAPRILL_TEXT_STRIKE_OUT == kTextStrikeOut);

// The font as plain data; `name` points into `font` and lives as long as it.
SnaprillTextFont toModuleFont(const TextFont& font) {
  return {font.name.c_str(),
          font.pointSize,
          static_cast<std::uint32_t>(font.style),
          {font.colour.r, font.colour.g, font.colour.b}};
}

template <class Function>
bool find(void* module, const char* name, Function& out) {
  out = reinterpret_cast<Function>(::dlsym(module, name));
  return out != nullptr;
}

}  // namespace

TextOnDemand::TextOnDemand(std::vector<std::string> moduleDirs, std::ostream& err)
    : moduleDirs_(std::move(moduleDirs)), err_(err) {}

// The module stays loaded: Qt cannot be unloaded safely.
TextOnDemand::~TextOnDemand() = default;

SnaprillTextRenderer* TextOnDemand::renderer() {
  if (renderer_ || failed_) return renderer_.get();
  std::string why = "not found";
  std::vector<std::string> files;
  for (const std::string& dir : moduleDirs_) files.push_back(dir + kTextModuleFile);
  Module m;
  const auto takeEntryPoints = [&m](void* module) {
    return find(module, "snaprill_text_create", m.create) &&
           find(module, "snaprill_text_destroy", m.destroy) &&
           find(module, "snaprill_text_measure", m.measure) &&
           find(module, "snaprill_text_draw", m.draw);
  };
  if (const std::string file = openModule(files, takeEntryPoints, why); !file.empty()) {
    module_ = m;
    renderer_ = {module_.create(), module_.destroy};
    if (renderer_) return renderer_.get();
    why = file + " could not make a renderer";
  }
  failed_ = true;
  err_ << "snaprill-batch: the capture text cannot be drawn, pictures are saved without it: "
       << kTextModuleFile << ": " << why << '\n';
  return nullptr;
}

TextSize TextOnDemand::measure(const std::string& utf8, const TextFont& font) {
  SnaprillTextRenderer* r = renderer();
  if (!r) return {};
  const SnaprillTextFont moduleFont = toModuleFont(font);
  const SnaprillTextSize size = module_.measure(r, utf8.data(), utf8.size(), &moduleFont);
  return {size.width, size.height};
}

void TextOnDemand::draw(Bitmap& target, int x, int y, const std::string& utf8, const TextFont& font,
                        const std::optional<Rgb>& background) {
  if (utf8.empty() || target.empty() || !renderer()) return;
  const int format = target.bitsPerPixel();
  if (format == 32 || format == 24) {
    drawDirectly(target, x, y, utf8, font, background);
    return;
  }
  // The module draws on 32 and 24 bpp rows only; other formats keep their own.
  Bitmap copy = target.convertedTo(32);
  drawDirectly(copy, x, y, utf8, font, background);
  target = copy.convertedTo(format);
}

void TextOnDemand::drawDirectly(Bitmap& target, int x, int y, const std::string& utf8,
                                const TextFont& font, const std::optional<Rgb>& background) {
  const SnaprillTextTarget pixels{target.row(0), target.width(), target.height(),
                                  target.bitsPerPixel(), target.stride()};
  const SnaprillTextFont moduleFont = toModuleFont(font);
  SnaprillTextColour fill{};
  if (background) fill = {background->r, background->g, background->b};
  module_.draw(renderer_.get(), &pixels, x, y, utf8.data(), utf8.size(), &moduleFont,
               background ? &fill : nullptr);
}

std::vector<std::string> textModuleDirs(const std::string& executableDir) {
  return {executableDir, executableDir + SNAPRILL_TEXT_MODULE_FROM_BIN};
}

}  // namespace snaprill
