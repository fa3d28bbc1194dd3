// The focused window in sway's layout tree: found among tiled and floating nodes at
// any depth, with its frame; a focused workspace (no window) or a text that is no
// tree gives nothing, so that the whole screen is taken instead.
#include "backends/wayland/sway_focused_window.h"

#include <gtest/gtest.h>

#include <string>

namespace snaprill {
namespace {

std::string node(const char* type, bool focused, const char* rect, const std::string& nodes = "",
                 const std::string& floating = "") {
  return std::string("{\"type\":\"") + type + "\",\"focused\":" + (focused ? "true" : "false") +
         ",\"rect\":" + rect + ",\"nodes\":[" + nodes + "],\"floating_nodes\":[" + floating + "]}";
}

TEST(SwayFocusedWindow, FoundWhereverItIsAndNothingWithoutOne) {
  const char* screen = "{\"x\":0,\"y\":0,\"width\":1280,\"height\":800}";
  const char* left = "{\"x\":0,\"y\":0,\"width\":640,\"height\":800}";
  const char* right = "{\"x\":640,\"y\":0,\"width\":640,\"height\":800}";
  const char* floating = "{\"x\":100,\"y\":50,\"width\":300,\"height\":200}";
  const auto tree = [&](bool workspaceFocused, bool leftFocused, bool rightFocused,
                        bool floatingFocused) {
    const std::string split =
        node("con", false, screen,
             node("con", leftFocused, left) + "," + node("con", rightFocused, right));
    const std::string workspace = node("workspace", workspaceFocused, screen, split,
                                       node("floating_con", floatingFocused, floating));
    return node("root", false, screen, node("output", false, screen, workspace));
  };
  struct Case {
    const char* what;
    std::string json;
    std::optional<Rect> expected;
  };
  const Case cases[] = {
      {"tiled, second of a split", tree(false, false, true, false), Rect{640, 0, 1280, 800}},
      {"tiled, first of a split", tree(false, true, false, false), Rect{0, 0, 640, 800}},
      {"floating", tree(false, false, false, true), Rect{100, 50, 400, 250}},
      {"an empty workspace has the focus", tree(true, false, false, false), std::nullopt},
      {"nothing focused", tree(false, false, false, false), std::nullopt},
      {"a window of no size", node("con", true, "{\"x\":5,\"y\":5,\"width\":0,\"height\":9}"),
       std::nullopt},
      {"not JSON", "i3-ipc garbage", std::nullopt},
      {"JSON, not a tree", "[1,2,3]", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::optional<Rect> found = focusedWindowInTree(c.json);
    ASSERT_EQ(found.has_value(), c.expected.has_value());
    if (found) {
      EXPECT_EQ(found->left, c.expected->left);
      EXPECT_EQ(found->top, c.expected->top);
      EXPECT_EQ(found->right, c.expected->right);
      EXPECT_EQ(found->bottom, c.expected->bottom);
    }
  }
}

// Faults: an Xwayland window (no app_id) recorded without its application; the
// title or application of another node than the focused one taken.
TEST(SwayFocusedWindow, ApplicationAndTitleOfTheFocusedWindow) {
  const auto window = [](bool focused, const char* fields) {
    return std::string("{\"type\":\"con\",\"focused\":") + (focused ? "true" : "false") +
           ",\"rect\":{\"x\":0,\"y\":0,\"width\":9,\"height\":9}," + fields +
           ",\"nodes\":[],\"floating_nodes\":[]}";
  };
  const auto workspace = [](const std::string& nodes) {
    return "{\"type\":\"workspace\",\"focused\":false,\"nodes\":[" + nodes +
           "],\"floating_nodes\":[]}";
  };
  struct Case {
    const char* what;
    std::string json;
    FocusedWindow expected;
  };
  const Case cases[] = {
      {"native",
       workspace(window(false, "\"app_id\":\"foot\",\"name\":\"other\"") + "," +
                 window(true, "\"app_id\":\"firefox\",\"name\":\"Invoice\"")),
       {"firefox", "Invoice"}},
      {"Xwayland",
       workspace(window(true,
                        "\"app_id\":null,\"name\":\"xterm\","
                        "\"window_properties\":{\"class\":\"XTerm\",\"title\":\"xterm\"}")),
       {"XTerm", "xterm"}},
      {"no window focused", workspace(window(false, "\"app_id\":\"foot\"")), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const FocusedWindow found = focusedWindowIdentityInTree(c.json);
    EXPECT_EQ(found.application, c.expected.application);
    EXPECT_EQ(found.title, c.expected.title);
  }
}

}  // namespace
}  // namespace snaprill
