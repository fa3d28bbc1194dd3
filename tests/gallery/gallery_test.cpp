// The gallery page line by line, its names made safe, the ".html" rule, and a run
// through its dialogs as the window starts it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/product.h"
#include "fakes/fakes.h"
#include "gallery/gallery.h"
#include "gallery/gallery_page.h"
#include "io/file_error.h"
#include "options/options.h"
#include "options/output_types.h"
#include "options/texts.h"
#include "support/error_kind.h"
#include "support/temp_dir.h"

namespace snaprill {
namespace {

using fake::FakeDialogs;
using ::testing::ElementsAre;
using testing::TempDir;

constexpr const char* kCredit = "CREDIT";

std::vector<std::string> rowsOf(const std::vector<std::string>& page) {
  // Between the table's opening line and its end.
  return {page.begin() + 8, page.end() - 6};
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(GalleryPage, FiveImagesInTwoColumnsMakeRowsOfTwoTwoAndOne) {
  GallerySettings s;
  s.columns = 2;
  s.align = 1;
  std::vector<int> progress;
  const std::vector<std::string> page =
      buildGalleryPage({"/p/a.png", "/p/b.png", "c.png", "d.png", "e.png"}, s, "Gallery", kCredit,
                       [&progress](int done) { progress.push_back(done); });
  const std::vector<std::string> rows = rowsOf(page);
  ASSERT_EQ(rows.size(), 3u * 2 + 5u * 3);
  EXPECT_EQ(rows[0], "   <tr valign=\"top\">");
  EXPECT_EQ(rows[1], "      <td align=\"center\">");
  EXPECT_EQ(rows[2], "        <img src=\"a.png\" border=\"0\" alt=\"a.png\">");
  EXPECT_EQ(rows[3], "      </td>");
  EXPECT_EQ(rows[7], "   </tr>");
  EXPECT_EQ(rows[8], "   <tr valign=\"top\">");
  EXPECT_EQ(rows[16], "   <tr valign=\"top\">");
  EXPECT_EQ(rows[18], "        <img src=\"e.png\" border=\"0\" alt=\"e.png\">");
  EXPECT_EQ(rows[20], "   </tr>");
  EXPECT_THAT(progress, ElementsAre(1, 2, 3, 4, 5));

  EXPECT_THAT(std::vector<std::string>(page.begin(), page.begin() + 8),
              ElementsAre("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">",
                          "<html>", "<head>", "<title>Gallery</title>",
                          "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">",
                          "</head>",
                          "<body bgcolor=\"#303030\" text=\"#d6d3ce\" link=\"#d6d3ce\" "
                          "alink=\"#d6d3ce\" vlink=\"#d6d3ce\">",
                          "<table cellspacing=\"1\" cellpadding=\"1\">"));
  EXPECT_THAT(std::vector<std::string>(page.end() - 6, page.end()),
              ElementsAre("</table>", "<p>", kCredit, "</p>", "</body>", "</html>"));
}

TEST(GalleryPage, SizeAttributesComeOnlyWhenSetHeightFirstAndLinksWrapTheImage) {
  GallerySettings s;
  s.align = 2;
  s.links = true;
  EXPECT_EQ(rowsOf(buildGalleryPage({"x.jpg"}, s, "", kCredit))[2],
            "        <a href=\"x.jpg\"><img src=\"x.jpg\" border=\"0\" alt=\"x.jpg\"></a>");
  s.links = false;
  s.imageWidth = 120;
  EXPECT_EQ(rowsOf(buildGalleryPage({"x.jpg"}, s, "", kCredit))[2],
            "        <img src=\"x.jpg\" border=\"0\" width=\"120\" alt=\"x.jpg\">");
  s.imageHeight = 0;
  const std::vector<std::string> rows = rowsOf(buildGalleryPage({"x.jpg"}, s, "", kCredit));
  EXPECT_EQ(rows[1], "      <td align=\"right\">");
  EXPECT_EQ(rows[2],
            "        <img src=\"x.jpg\" border=\"0\" height=\"0\" width=\"120\" alt=\"x.jpg\">");
  // No pictures: the table is empty, not missing.
  EXPECT_EQ(buildGalleryPage({}, s, "", kCredit).size(), 14u);
}

TEST(GalleryPage, NamesAreEscapedAndLinkToTheirFile) {
  GallerySettings s;
  s.links = true;
  const std::string line =
      rowsOf(buildGalleryPage({"/d/a\"b<c>&d #1%.png"}, s, "Mine & <yours>", kCredit))[2];
  EXPECT_EQ(line,
            "        <a href=\"a%22b&lt;c&gt;&amp;d%20%231%25.png\"><img "
            "src=\"a%22b&lt;c&gt;&amp;d%20%231%25.png\" border=\"0\" "
            "alt=\"a&quot;b&lt;c&gt;&amp;d #1%.png\"></a>");
  EXPECT_EQ(buildGalleryPage({}, s, "Mine & <yours>", kCredit)[3],
            "<title>Mine &amp; &lt;yours&gt;</title>");
  // Never read as a scheme, a query or another folder.
  EXPECT_EQ(linkToFile("javascript:x?.png"), "javascript%3Ax%3F.png");
  EXPECT_EQ(linkToFile("a\\b\t.png"), "a%5Cb%09.png");
  // A plain name, and one in another script, stay byte for byte.
  EXPECT_EQ(linkToFile("Shot-01_a.b.PNG"), "Shot-01_a.b.PNG");
  EXPECT_EQ(linkToFile("p\xC3\xA4ike.png"), "p\xC3\xA4ike.png");
}

// Fault: a page of search results from several folders links every picture by its
// bare name, so those outside the page's folder show broken.
TEST(GalleryPage, PathsAsGivenKeepTheirFolders) {
  GallerySettings s;
  s.pathsAsGiven = true;
  EXPECT_EQ(rowsOf(buildGalleryPage({"../old/snp 1.png"}, s, "", kCredit))[2],
            "        <img src=\"../old/snp%201.png\" border=\"0\" alt=\"../old/snp 1.png\">");
}

TEST(GalleryPage, ANameWithoutADotAfterItsLastSlashGetsHtml) {
  EXPECT_EQ(galleryFileName("/home/u/page"), "/home/u/page.html");
  EXPECT_EQ(galleryFileName("/home/u.v/page"), "/home/u.v/page.html");
  EXPECT_EQ(galleryFileName("/home/u/page.htm"), "/home/u/page.htm");
  EXPECT_EQ(galleryFileName("/home/u/.page"), "/home/u/.page");
  EXPECT_EQ(galleryFileName("page"), "page.html");
}

TEST(GalleryPage, TheCreditLinksOnlyToAConfiguredHomePage) {
  const std::string credit = galleryCreditLine();
  EXPECT_EQ(credit.rfind("<font face=\"Verdana\" size=\"-2\">Generated by ", 0), 0u);
  EXPECT_NE(credit.find("Snaprill v"), std::string::npos);
  EXPECT_EQ(credit.find("href") != std::string::npos, !homePage().empty());
}

struct RecordedView : GalleryView {
  void setStartEnabled(bool enabled) override { log.push_back(enabled ? "enabled" : "disabled"); }
  void showProgress(int maximum) override { log.push_back("show " + std::to_string(maximum)); }
  void setProgress(int done) override { log.push_back("at " + std::to_string(done)); }
  void hideProgress() override { log.push_back("hide"); }
  std::vector<std::string> log;
};

class GalleryRun : public ::testing::Test {
 protected:
  bool nothingWritten() const { return std::filesystem::is_empty(dir.path()); }

  TempDir dir;
  Options options;
  Texts texts;
  FakeDialogs dialogs;
  RecordedView view;
};

TEST_F(GalleryRun, WritesTheChosenFileWithCrLfLinesAndTheOptionsOfTheMoment) {
  options.setValue(Option::galleryColumns, 2);
  dialogs.nextFiles = {{"/pics/one.png", "/pics/two.png", "/pics/three.png"}};
  dialogs.nextFile = dir.path() + "page";
  createGallery(options, texts, dialogs, view);
  EXPECT_THAT(view.log,
              ElementsAre("disabled", "show 3", "at 1", "at 2", "at 3", "hide", "enabled"));
  EXPECT_THAT(dialogs.fileDialogs,
              ElementsAre("Select Images|" + galleryPicturesFilter(),
                          "Save Gallery as...|HTML files (*.html)|*.html|All files (*.*)|*.*"));
  const std::string text = readFile(dir.path() + "page.html");
  EXPECT_NE(text.find("<title>Gallery</title>\r\n"), std::string::npos);
  EXPECT_NE(text.find("alt=\"three.png\">\r\n      </td>\r\n   </tr>\r\n</table>\r\n"),
            std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 9), "</html>\r\n");
  EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);
}

// A type Snaprill writes that the chooser leaves out cannot be placed on a page
// (WebP, AVIF, JPEG XL, TIFF, Targa and PCX once were): every extension is in the
// first entry, which the chooser shows at first, and in one of its own.
TEST(GalleryChooser, OffersEveryTypeSnaprillWritesTogetherAndOnItsOwn) {
  const std::string filter = galleryPicturesFilter();
  const std::string all = filter.substr(0, filter.find('|', filter.find('|') + 1));
  for (const OutputTypeInfo& type : offeredOutputTypes()) {
    const std::string pattern = std::string(type.extension).insert(0, 1, '*');
    EXPECT_NE((all + ";").find(pattern + ";"), std::string::npos) << all;
    const std::string entry = std::string(type.pickerName).insert(0, 1, '|') + "|" + pattern;
    EXPECT_NE(filter.find(entry), std::string::npos) << type.pickerName;
  }
  EXPECT_NE(all.find("*.jpeg"), std::string::npos);
  EXPECT_NE(all.find("*.tiff"), std::string::npos);
  EXPECT_EQ(filter.substr(filter.size() - 14), "|All files|*.*");
}

TEST_F(GalleryRun, CancelAtEitherDialogWritesNothingAndEnablesTheStart) {
  options.setText(Option::outputDir, "/pics/");
  createGallery(options, texts, dialogs, view);
  EXPECT_THAT(view.log, ElementsAre("disabled", "enabled"));
  // The pictures are looked for among the captures.
  EXPECT_THAT(dialogs.initialDirs, ElementsAre("/pics/"));
  dialogs.nextFiles = {{"a.png"}};
  view.log.clear();
  createGallery(options, texts, dialogs, view);
  EXPECT_THAT(view.log, ElementsAre("disabled", "show 1", "at 1", "hide", "enabled"));
  EXPECT_TRUE(nothingWritten());
}

TEST_F(GalleryRun, APageThatCannotBeWrittenLeavesNothingAndEnablesTheStart) {
  dialogs.nextFiles = {{"a.png"}};
  // A file where the folder should be: root ignores permission bits, not this.
  std::ofstream(dir.path() + "notafolder") << "x";
  dialogs.nextFile = dir.path() + "notafolder/page.html";
  EXPECT_EQ(testing::errorKind<FileError>([&] { createGallery(options, texts, dialogs, view); }),
            FileErrorKind::NotCreated);
  EXPECT_EQ(view.log.back(), "enabled");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

}  // namespace
}  // namespace snaprill
