// What is known of each output type beside its writer, in one row per type: the
// file extension, the name the top strip shows, the name the type picker shows,
// and the language key of its description. A type added here is known everywhere.
#pragma once

#include <array>
#include <string_view>

#include "options/options.h"

namespace snaprill {

struct OutputTypeInfo {
  std::string_view extension;
  const char* stripName;
  const char* pickerName;      // fixed, not translated: formats as they call themselves
  const char* descriptionKey;  // in the language file's [Descriptions]
};

inline constexpr std::array<OutputTypeInfo, kOutputTypeCount> kOutputTypes = {{
    {".jpg", "JPEG", "JPEG", "JPEG"},
    {".png", "PNG", "PNG", "PNG"},
    {".gif", "GIF", "GIF", "GIF"},
    {".bmp", "Bitmap", "Windows Bitmap", "Bitmap"},
    {".emf", "Enhanced Metafile", "Enhanced Metafile", "Metafile"},
    {".tif", "TIFF", "TIFF", "TIFF"},
    {".avi", "Video for Windows (AVI)", "Video for Windows (AVI)", "AVI"},
    {".tga", "Targa Image", "TrueVision Targa", "Targa"},
    {".pcx", "PCX", "ZSoft Bitmap (PCX)", "PCX"},
    {".webp", "WebP", "WebP", "WebP"},
    {".avif", "AVIF", "AVIF", "AVIF"},
    {".jxl", "JPEG XL", "JPEG XL", "JPEGXL"},
}};

}  // namespace snaprill
