// Each output type's row against the file its writer makes.
#include "options/output_types.h"
#include "formats/loader/picture_loader.h"
#include "support/cycle_fixture.h"
#include "support/files.h"

namespace snaprill {
namespace {

using testing::CycleTest;

// Catches a row whose writer, extension or loader kind is another type's (a Targa
// written under ".pcx", a BMP row pointing at the PCX writer), and a writer whose
// files the loader takes for another kind (a Targa header that passes for PCX).
TEST_F(CycleTest, EveryTypeWritesFilesOfItsExtensionThatTheLoaderKnowsAsItsKind) {
  const Bitmap picture = testing::samplePicture(37, 21);
  options.setValue(Option::animationFrameCount, 2);
  for (const OutputTypeInfo& type : offeredOutputTypes()) {
    SCOPED_TRACE(type.pickerName);
    options.setValue(Option::outputType, type.type);
    // GIF and AVI as two frames, so that AVI writes its own file, not a GIF.
    options.setChecked(Option::saveAnimation, type.frames == Frames::gifFrames);
    capture(picture);
    if (type.frames == Frames::gifFrames) capture(picture);
    const std::string& path = lastSaved.path;
    ASSERT_GT(path.size(), type.extension.size());
    EXPECT_EQ(path.substr(path.size() - type.extension.size()), type.extension);
    if (!type.readAs) continue;
    const auto bytes = testing::readBytes(path);
    EXPECT_EQ(detectPicture(bytes.data(), bytes.size()), *type.readAs);
    const Bitmap back = readPicture(bytes.data(), bytes.size());
    EXPECT_EQ(back.width(), picture.width());
    EXPECT_EQ(back.height(), picture.height());
  }
}

}  // namespace
}  // namespace snaprill
