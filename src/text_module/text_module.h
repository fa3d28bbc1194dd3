// What snaprill-batch and the text module agree on.
#pragma once

namespace snaprill {

class TextRenderer;

// The module's file name, and its one entry point: a new offscreen renderer the
// caller owns (deleting it shuts down what the module started).
inline constexpr const char* kTextModuleFile = "snaprill-text.so";
inline constexpr const char* kTextModuleEntry = "snaprill_make_text_renderer";
using MakeTextRenderer = TextRenderer* (*)();

}  // namespace snaprill
