// Every field the capture text fills in is listed where a user looks for it: the
// text field's tooltip (its language text), the manual and the README.
#include <string>
#include <vector>

#include "options/texts.h"
#include "support/adjust_fixture.h"
#include "support/source_files.h"

namespace snaprill {
namespace {

using test::sourceText;
using testing::AdjustFixture;

TEST_F(AdjustFixture, EveryTextFieldIsListedWhereUsersLook) {
  clock.time = LocalTime{2026, 3, 7, 9, 5, 4};
  // The fields as the capture knows them, found by what it does with each letter.
  std::vector<std::string> fields;
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    const std::string field = std::string("%") + letter;
    if (adjustments().expandTextTemplate(field) != field) fields.push_back(field);
  }
  EXPECT_EQ(adjustments().expandTextTemplate("a %+ b"), "ab");
  fields.push_back(" %+ ");

  const std::string tooltip = *Texts::builtIn("Text", "FieldsHint");
  const std::string manual = sourceText("data/snaprill-manual.html");
  const std::string readme = sourceText("README.md");
  ASSERT_FALSE(manual.empty());
  ASSERT_FALSE(readme.empty());
  for (const std::string& field : fields) {
    EXPECT_NE(tooltip.find(field), std::string::npos) << field;
    EXPECT_NE(manual.find("<code>" + field + "</code>"), std::string::npos) << field;
    EXPECT_NE(readme.find("`" + field + "`"), std::string::npos) << field;
  }
}

}  // namespace
}  // namespace snaprill
