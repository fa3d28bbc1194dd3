// A capture may be handed over while its rows are still being decoded. Only the
// JPEG writer may start on it then; everything else must see the whole picture.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/byte_sink.h"
#include "capture/colour_effects.h"
#include "formats/bmp/bmp_file.h"
#include "formats/jpeg/jpeg.h"
#include "support/cycle_fixture.h"

namespace snaprill {
namespace {

using testing::CycleTest;

std::vector<std::uint8_t> fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ArrivingRowsTest : public CycleTest {
 protected:
  ArrivingRowsTest() { clipboard.rowsArriveSlowly = true; }
  const Bitmap picture = testing::samplePicture(80, 120);
};

TEST_F(ArrivingRowsTest, JpegWrittenAsRowsArriveIsTheJpegOfTheWholePicture) {
  capture(picture);
  MemorySink whole;
  writeJpeg(picture, options.value(Option::jpegQuality), whole);
  EXPECT_EQ(fileBytes(dir + "snp1.jpg"), whole.bytes);
}

TEST_F(ArrivingRowsTest, AdjustmentsAndOtherWritersGetTheWholePicture) {
  options.setValue(Option::outputType, kBitmap);
  capture(picture);
  const std::vector<std::uint8_t> plain = fileBytes(dir + "snp1.bmp");
  const Bitmap written = readBmp(plain.data(), plain.size());
  for (int y = 0; y < picture.height(); ++y)
    ASSERT_EQ(written.pixel(picture.width() - 1, y), picture.pixel(picture.width() - 1, y)) << y;

  // Inverted before a JPEG is written: the JPEG of the whole inverted picture.
  options.setValue(Option::outputType, kJpeg);
  options.setChecked(Option::invertColours, true);
  capture(picture);
  Bitmap inverted = picture;
  invertColours(inverted);
  MemorySink expected;
  writeJpeg(inverted, options.value(Option::jpegQuality), expected);
  EXPECT_EQ(fileBytes(dir + "snp2.jpg"), expected.bytes);
}

TEST_F(ArrivingRowsTest, RowsFoundDamagedLateLeaveNoFileUseNoNumberAndAreReported) {
  clipboard.rowsArriveDamaged = true;
  capture(picture);
  EXPECT_FALSE(std::filesystem::exists(dir + "snp1.jpg"));
  // Left on the clipboard as it was, and not taken again.
  EXPECT_TRUE(clipboard.holdsAnything());
  EXPECT_EQ(clipboard.clears, 0);
  EXPECT_FALSE(clipboard.hasPicture());
  EXPECT_EQ(state.names.counter(), 0);  // nothing was saved: the number is not used up
  EXPECT_EQ(cycle.counts().lost, 1);
  EXPECT_EQ(status.statusText(),
            "A capture was not saved: " + texts.get("Main", "LostDamaged") + ".");
  EXPECT_TRUE(dialogs.errors.empty());
  std::size_t leftovers = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir)) ++leftovers;
  EXPECT_EQ(leftovers, 0u);

  clipboard.rowsArriveDamaged = false;
  capture(picture);
  EXPECT_TRUE(std::filesystem::exists(dir + "snp1.jpg"));
  EXPECT_EQ(status.statusText(), "1/99999 pictures");
}

}  // namespace
}  // namespace snaprill
