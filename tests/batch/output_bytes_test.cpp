// The exact bytes snaprill-batch writes, for every output type and the settings that
// change how a type is written, from pictures of each input format. Speed work on the
// readers, the bitmap layout and the encoders must not change a single byte: the hashes
// below were taken before that work.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/byte_sink.h"
#include "batch/batch.h"
#include "formats/bmp/bmp_file.h"
#include "formats/jpeg/jpeg.h"
#include "formats/png/png_image.h"
#include "support/files.h"
#include "support/pictures.h"
#include "support/temp_dir.h"

namespace snaprill {
namespace {

std::uint64_t fnv1a(const std::vector<std::uint8_t>& bytes) {
  std::uint64_t h = 14695981039346656037ull;
  for (const std::uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
  return h;
}

struct Variant {
  const char* name;
  const char* settings;  // the settings file's text
};

// Odd sizes, so that row padding and partial blocks are exercised.
constexpr int kWidth = 97;
constexpr int kHeight = 61;

const Variant kVariants[] = {
    {"jpeg90", "[Snaprill]\nImageType=0\nJPEGQuality=90\n"},
    {"jpeg30", "[Snaprill]\nImageType=0\nJPEGQuality=30\n"},
    {"png1", "[Snaprill]\nImageType=1\nPNGComp=1\n"},
    {"png6", "[Snaprill]\nImageType=1\nPNGComp=6\n"},
    {"png9", "[Snaprill]\nImageType=1\nPNGComp=9\n"},
    {"gif", "[Snaprill]\nImageType=2\n"},
    {"gifGray", "[Snaprill]\nImageType=2\n[GIF]\nGrayscale=1\n"},
    {"gifAnimation", "[Snaprill]\nImageType=2\n[GIF]\nSaveAnimation=1\nImageCount=2\n"},
    {"bmp0", "[Snaprill]\nImageType=3\n[TIFF]\nBMPBits=0\n"},
    {"bmp1", "[Snaprill]\nImageType=3\n[TIFF]\nBMPBits=1\n"},
    {"bmp2", "[Snaprill]\nImageType=3\n[TIFF]\nBMPBits=2\n"},
    {"bmp3", "[Snaprill]\nImageType=3\n[TIFF]\nBMPBits=3\n"},
    {"bmp4", "[Snaprill]\nImageType=3\n[TIFF]\nBMPBits=4\n"},
    {"bmp5", "[Snaprill]\nImageType=3\n[TIFF]\nBMPBits=5\n"},
    {"bmp6", "[Snaprill]\nImageType=3\n[TIFF]\nBMPBits=6\n"},
    {"emf", "[Snaprill]\nImageType=4\n"},
    {"tiff0", "[Snaprill]\nImageType=5\n[TIFF]\nTIFFBits=0\n"},
    {"tiff1", "[Snaprill]\nImageType=5\n[TIFF]\nTIFFBits=1\n"},
    {"tiff2", "[Snaprill]\nImageType=5\n[TIFF]\nTIFFBits=2\n"},
    {"avi", "[Snaprill]\nImageType=6\n[GIF]\nSaveAnimation=1\nImageCount=2\n"},
    {"targa", "[Snaprill]\nImageType=7\n"},
    {"targaBW", "[Snaprill]\nImageType=7\n[TIFF]\nTargaBW=1\n"},
    {"pcx", "[Snaprill]\nImageType=8\n"},
    {"adjusted",
     "[Snaprill]\nImageType=1\n[DimAndEffects]\nCrop=1\nCropLeft=3\nCropTop=5\nCropWidth=80\n"
     "CropHeight=50\nAutoResize=1\nResizeWidth=41\nResizeHeight=29\nInvert=1\nGrayscale=1\n"},
};

// The hash of every file written, by variant and input format, in the order above.
const char* const kExpected[] = {
    "jpeg90 bmp: snp1.jpg=9960099fbd67a3f1 snp2.jpg=9960099fbd67a3f1 ",
    "jpeg90 png: snp1.jpg=9960099fbd67a3f1 snp2.jpg=9960099fbd67a3f1 ",
    "jpeg90 jpg: snp1.jpg=47e16975ed23e152 snp2.jpg=47e16975ed23e152 ",
    "jpeg30 bmp: snp1.jpg=a774fff26db338af snp2.jpg=a774fff26db338af ",
    "jpeg30 png: snp1.jpg=a774fff26db338af snp2.jpg=a774fff26db338af ",
    "jpeg30 jpg: snp1.jpg=3239caf5d3921089 snp2.jpg=3239caf5d3921089 ",
    "png1 bmp: snp1.png=fc2bff53a62f2762 snp2.png=fc2bff53a62f2762 ",
    "png1 png: snp1.png=fc2bff53a62f2762 snp2.png=fc2bff53a62f2762 ",
    "png1 jpg: snp1.png=236f49f3d07851e0 snp2.png=236f49f3d07851e0 ",
    "png6 bmp: snp1.png=6a51be92e5e2591f snp2.png=6a51be92e5e2591f ",
    "png6 png: snp1.png=6a51be92e5e2591f snp2.png=6a51be92e5e2591f ",
    "png6 jpg: snp1.png=1d2660a9cc2e3f89 snp2.png=1d2660a9cc2e3f89 ",
    "png9 bmp: snp1.png=6d3bfffc246d0bb6 snp2.png=6d3bfffc246d0bb6 ",
    "png9 png: snp1.png=6d3bfffc246d0bb6 snp2.png=6d3bfffc246d0bb6 ",
    "png9 jpg: snp1.png=15f1de4466ae9841 snp2.png=15f1de4466ae9841 ",
    "gif bmp: snp1.gif=f645e2685e0cba77 snp2.gif=f645e2685e0cba77 ",
    "gif png: snp1.gif=f645e2685e0cba77 snp2.gif=f645e2685e0cba77 ",
    "gif jpg: snp1.gif=581ff4025b96ca44 snp2.gif=581ff4025b96ca44 ",
    "gifGray bmp: snp1.gif=af156c4986db128b snp2.gif=af156c4986db128b ",
    "gifGray png: snp1.gif=af156c4986db128b snp2.gif=af156c4986db128b ",
    "gifGray jpg: snp1.gif=41993856ac4134be snp2.gif=41993856ac4134be ",
    "gifAnimation bmp: snp1.gif=e77a5cdb2ab51e8b ",
    "gifAnimation png: snp1.gif=e77a5cdb2ab51e8b ",
    "gifAnimation jpg: snp1.gif=60fd0bc6ba347173 ",
    "bmp0 bmp: snp1.bmp=9a21fbc216e8083c snp2.bmp=9a21fbc216e8083c ",
    "bmp0 png: snp1.bmp=9a21fbc216e8083c snp2.bmp=9a21fbc216e8083c ",
    "bmp0 jpg: snp1.bmp=52c7692ebf57e3f4 snp2.bmp=52c7692ebf57e3f4 ",
    "bmp1 bmp: snp1.bmp=9a21fbc216e8083c snp2.bmp=9a21fbc216e8083c ",
    "bmp1 png: snp1.bmp=9a21fbc216e8083c snp2.bmp=9a21fbc216e8083c ",
    "bmp1 jpg: snp1.bmp=52c7692ebf57e3f4 snp2.bmp=52c7692ebf57e3f4 ",
    "bmp2 bmp: snp1.bmp=630d7b442ccb1e7c snp2.bmp=630d7b442ccb1e7c ",
    "bmp2 png: snp1.bmp=630d7b442ccb1e7c snp2.bmp=630d7b442ccb1e7c ",
    "bmp2 jpg: snp1.bmp=cf54ace9ad0a48bc snp2.bmp=cf54ace9ad0a48bc ",
    "bmp3 bmp: snp1.bmp=0a521c82fdf21efd snp2.bmp=0a521c82fdf21efd ",
    "bmp3 png: snp1.bmp=0a521c82fdf21efd snp2.bmp=0a521c82fdf21efd ",
    "bmp3 jpg: snp1.bmp=a43b00a80602ef28 snp2.bmp=a43b00a80602ef28 ",
    "bmp4 bmp: snp1.bmp=60fe356185bee4a6 snp2.bmp=60fe356185bee4a6 ",
    "bmp4 png: snp1.bmp=60fe356185bee4a6 snp2.bmp=60fe356185bee4a6 ",
    "bmp4 jpg: snp1.bmp=757b150af8aa01a2 snp2.bmp=757b150af8aa01a2 ",
    "bmp5 bmp: snp1.bmp=2ce7d8e4421909ca snp2.bmp=2ce7d8e4421909ca ",
    "bmp5 png: snp1.bmp=2ce7d8e4421909ca snp2.bmp=2ce7d8e4421909ca ",
    "bmp5 jpg: snp1.bmp=19f1f4d2cc68ce64 snp2.bmp=19f1f4d2cc68ce64 ",
    "bmp6 bmp: snp1.bmp=d5958af82a913b09 snp2.bmp=d5958af82a913b09 ",
    "bmp6 png: snp1.bmp=d5958af82a913b09 snp2.bmp=d5958af82a913b09 ",
    "bmp6 jpg: snp1.bmp=3bb0f1919ebef7eb snp2.bmp=3bb0f1919ebef7eb ",
    "emf bmp: snp1.emf=6fd08c45dc5e922d snp2.emf=6fd08c45dc5e922d ",
    "emf png: snp1.emf=6fd08c45dc5e922d snp2.emf=6fd08c45dc5e922d ",
    "emf jpg: snp1.emf=c609b0b0b222127d snp2.emf=c609b0b0b222127d ",
    "tiff0 bmp: snp1.tif=b27be17097cae786 snp2.tif=b27be17097cae786 ",
    "tiff0 png: snp1.tif=b27be17097cae786 snp2.tif=b27be17097cae786 ",
    "tiff0 jpg: snp1.tif=1d0640ab02cafa5e snp2.tif=1d0640ab02cafa5e ",
    "tiff1 bmp: snp1.tif=e4381813bd61684a snp2.tif=e4381813bd61684a ",
    "tiff1 png: snp1.tif=e4381813bd61684a snp2.tif=e4381813bd61684a ",
    "tiff1 jpg: snp1.tif=406ce6b621566d90 snp2.tif=406ce6b621566d90 ",
    "tiff2 bmp: snp1.tif=569692e2cbbe6faa snp2.tif=569692e2cbbe6faa ",
    "tiff2 png: snp1.tif=569692e2cbbe6faa snp2.tif=569692e2cbbe6faa ",
    "tiff2 jpg: snp1.tif=20163fcf62d6ea52 snp2.tif=20163fcf62d6ea52 ",
    // Retaken when the AVI's rate became 100 / delay (10 frames a second for the
    // default delay, as the GIF plays): only the header's rate fields changed.
    "avi bmp: snp1.avi=7addf2bc94eb3752 ",
    "avi png: snp1.avi=7addf2bc94eb3752 ",
    "avi jpg: snp1.avi=dc7c30f9210bdf2a ",
    "targa bmp: snp1.tga=c345f7cb6927c220 snp2.tga=c345f7cb6927c220 ",
    "targa png: snp1.tga=c345f7cb6927c220 snp2.tga=c345f7cb6927c220 ",
    "targa jpg: snp1.tga=9dceb892b4b07088 snp2.tga=9dceb892b4b07088 ",
    "targaBW bmp: snp1.tga=f63737c0047fcc73 snp2.tga=f63737c0047fcc73 ",
    "targaBW png: snp1.tga=f63737c0047fcc73 snp2.tga=f63737c0047fcc73 ",
    "targaBW jpg: snp1.tga=7e364734b1845e92 snp2.tga=7e364734b1845e92 ",
    "pcx bmp: snp1.pcx=7f63ab5395094245 snp2.pcx=7f63ab5395094245 ",
    "pcx png: snp1.pcx=7f63ab5395094245 snp2.pcx=7f63ab5395094245 ",
    "pcx jpg: snp1.pcx=d33911c79608d4ee snp2.pcx=d33911c79608d4ee ",
    "adjusted bmp: snp1.png=6fbf2d65d9fcf78f snp2.png=6fbf2d65d9fcf78f ",
    "adjusted png: snp1.png=6fbf2d65d9fcf78f snp2.png=6fbf2d65d9fcf78f ",
    "adjusted jpg: snp1.png=b7d3914ac2a75537 snp2.png=b7d3914ac2a75537 ",
};

class OutputBytesTest : public ::testing::Test {
 protected:
  OutputBytesTest() {
    ::setenv("SNAPRILL_HOME", home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    const Bitmap picture = testing::framePicture(kWidth, kHeight, 3);
    MemorySink bmp, png, jpeg;
    writeBmp(picture.convertedTo(24), bmp);
    writePng(picture.convertedTo(24), 6, 0x08, png);
    writeJpeg(picture, 95, jpeg);
    inputs = {{"bmp", home + "in.bmp"}, {"png", home + "in.png"}, {"jpg", home + "in.jpg"}};
    testing::writeBytes(inputs[0].second, bmp.bytes);
    testing::writeBytes(inputs[1].second, png.bytes);
    testing::writeBytes(inputs[2].second, jpeg.bytes);
  }

  // The hashes of the files one variant writes from one input, "name=hash" each.
  std::string hashesOf(const Variant& variant, const std::string& input) {
    const std::string out = home + "out/";
    std::filesystem::remove_all(out);
    std::filesystem::create_directory(out);
    std::ofstream(home + "settings.ini") << variant.settings;
    std::ostringstream written, err;
    // Two captures, so that an animation of two frames is complete.
    const int status = runBatch({"--settings", home + "settings.ini", "--output-dir", out,
                                 "--no-launch", "--", input, input},
                                written, err);
    EXPECT_EQ(status, 0) << variant.name << ": " << err.str();
    std::string result;
    std::istringstream paths(written.str());
    for (std::string path; std::getline(paths, path);) {
      char hex[17];
      std::snprintf(hex, sizeof hex, "%016llx",
                    static_cast<unsigned long long>(fnv1a(testing::readBytes(path))));
      result += std::filesystem::path(path).filename().string() + "=" + hex + " ";
    }
    return result;
  }

  testing::TempDir temp;
  const std::string home = temp.path();
  std::vector<std::pair<std::string, std::string>> inputs;
};

TEST_F(OutputBytesTest, EveryTypeAndSettingWritesTheSameBytesAsBefore) {
  std::size_t index = 0;
  std::string all;
  for (const Variant& variant : kVariants) {
    for (const auto& [format, path] : inputs) {
      const std::string got =
          std::string(variant.name) + " " + format + ": " + hashesOf(variant, path);
      all += "    \"" + got + "\",\n";
      if (index < std::size(kExpected)) {
        EXPECT_EQ(got, kExpected[index]);
      }
      ++index;
    }
  }
  EXPECT_EQ(index, std::size(kExpected)) << "the table, to paste above:\n" << all;
}

}  // namespace
}  // namespace snaprill
