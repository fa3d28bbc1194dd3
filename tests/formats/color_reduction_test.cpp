#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>

#include "formats/gif/color_quantizer.h"
#include "formats/gif/color_reduction.h"
#include "formats/gif/dither.h"
#include "support/pictures.h"

namespace snaprill {
namespace {

TEST(ColorReduction, BlackAndWhiteGivesTwoLeavesAfterTheSystemColours) {
  const Bitmap bw = testing::pictureOf(9, 5, [](int x, int y) {
    return (x + y) % 2 ? Rgb{255, 255, 255} : Rgb{};
  });
  ColorQuantizer q(236);
  q.addPicture(bw);
  EXPECT_EQ(q.leafCount(), 2);
  const auto palette = buildQuantizedPalette(bw);
  ASSERT_EQ(palette.size(), 256u);
  const auto& system = systemColors();
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(palette[std::size_t(i)], system[std::size_t(i)]);
    EXPECT_EQ(palette[std::size_t(246 + i)], system[std::size_t(10 + i)]);
  }
  EXPECT_EQ(palette[10], (Rgb{0, 0, 0}));
  EXPECT_EQ(palette[11], (Rgb{255, 255, 255}));
  const Bitmap out =
      reduceToIndexed(bw, ReductionMode::SystemColorQuantize, DitherKind::FloydSteinberg);
  EXPECT_EQ(out.bitsPerPixel(), 8);
  EXPECT_EQ(out.row(0)[0], 0);   // black: the lowest index holding it
  EXPECT_EQ(out.row(0)[1], 11);  // white: the leaf comes before the system entry
}

TEST(ColorReduction, GrayInputKeepsItsLevels) {
  const Bitmap gray = testing::pictureOf(256, 3, [](int x, int) {
    const auto v = std::uint8_t(x);
    return Rgb{v, v, v};
  });
  const Bitmap out = reduceToIndexed(gray, ReductionMode::Grayscale, DitherKind::FloydSteinberg);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 256; ++x) ASSERT_EQ(out.row(y)[x], x);
  EXPECT_EQ(out.palette()[77], (Rgb{77, 77, 77}));
}

TEST(ColorReduction, ExactErrorDiffusion) {
  // Red maps to gray 76 (error +179, -76, -76); 7/16 of it reaches the next pixel:
  // red 0 + (1253 + 8) / 16 = 78, green and blue clamp to 0, gray (77 * 78) >> 8 = 23.
  const Bitmap two = testing::pictureOf(2, 1, [](int x, int) {
    return x == 0 ? Rgb{255, 0, 0} : Rgb{};
  });
  const Bitmap out = reduceToIndexed(two, ReductionMode::Grayscale, DitherKind::FloydSteinberg);
  EXPECT_EQ(out.row(0)[0], 76);
  EXPECT_EQ(out.row(0)[1], 23);
}

TEST(ColorReduction, SerpentineWalk) {
  struct Recorder {
    std::vector<int> seen;
    std::uint8_t matchColor(int r, int, int, Rgb& out) {
      seen.push_back(r);
      out = {std::uint8_t(r), 0, 0};
      return 0;
    }
  } rec;
  const Bitmap src = testing::pictureOf(3, 3, [](int x, int y) {
    return Rgb{std::uint8_t(10 * y + x), 0, 0};
  });
  std::vector<std::uint8_t> out(9);
  detail::ditherPicture(
      3, 3, rec, [&](int y) { return [&src, y](int x) { return src.pixel(x, y); }; },
      [&](int y) { return out.data() + 3 * y; });
  EXPECT_EQ(rec.seen, (std::vector<int>{0, 1, 2, 12, 11, 10, 20, 21, 22}));
  // One pixel wide: every row holds its one pixel.
  rec.seen.clear();
  detail::ditherPicture(
      1, 3, rec, [&](int y) { return [&src, y](int) { return src.pixel(0, y); }; },
      [&](int y) { return out.data() + y; });
  EXPECT_EQ(rec.seen, (std::vector<int>{0, 10, 20}));
}

TEST(ColorReduction, Lookups) {
  std::vector<Rgb> palette = {{9, 9, 9}, {200, 10, 10}, {200, 10, 10}, {0, 0, 250}};
  FastColorLookup fast(palette);
  Rgb c;
  EXPECT_EQ(fast.matchColor(200, 10, 10, c), 1);  // lowest index of a repeated colour
  EXPECT_EQ(fast.matchColor(190, 30, 0, c), 1);
  EXPECT_EQ(c, (Rgb{200, 10, 10}));
  EXPECT_EQ(fast.matchColor(0, 0, 200, c), 3);
  // Answered per 15-bit cell: the second entry shares the first one's cell, so even
  // its own colour gets the first entry.
  FastColorLookup cells({{8, 8, 8}, {15, 15, 15}});
  EXPECT_EQ(cells.matchColor(15, 15, 15, c), 0);

  NetscapeColorLookup cube;
  EXPECT_EQ(cube.matchColor(47, 48, 255, c), 11);
  EXPECT_EQ(c, (Rgb{0, 51, 255}));
  EXPECT_EQ(cube.matchColor(0, 0, 0, c), 0);
  EXPECT_EQ(cube.matchColor(255, 255, 255, c), 215);
  EXPECT_EQ(buildCubePalette()[11], (Rgb{0, 51, 255}));
}

// The octree as plainly described, with a linked tree and no shortcuts; the real
// one must build the very same palette.
class PlainOctree {
 public:
  struct Node {
    bool leaf = false;
    std::uint64_t n = 0, r = 0, g = 0, b = 0;
    Node* next = nullptr;
    std::unique_ptr<Node> child[8];
  };
  void add(Rgb c) {
    std::unique_ptr<Node>* p = &root;
    for (int level = 0;; ++level) {
      if (!*p) {
        *p = std::make_unique<Node>();
        if (level == 8) {
          (*p)->leaf = true;
          ++leaves;
        } else {
          (*p)->next = lists[level];
          lists[level] = p->get();
        }
      }
      Node* node = p->get();
      if (node->leaf) {
        node->n++, node->r += c.r, node->g += c.g, node->b += c.b;
        break;
      }
      const int s = 7 - level;
      p = &node->child[((c.r >> s) & 1) * 4 + ((c.g >> s) & 1) * 2 + ((c.b >> s) & 1)];
    }
    while (leaves > 236) {
      int level = 7;
      while (level > 0 && !lists[level]) --level;
      Node* node = lists[level];
      lists[level] = node->next;
      int count = 0;
      for (auto& ch : node->child) {
        if (!ch) continue;
        node->n += ch->n, node->r += ch->r, node->g += ch->g, node->b += ch->b;
        ch.reset();
        ++count;
      }
      node->leaf = true;
      leaves -= count - 1;
    }
  }
  void walk(const Node* n, std::vector<Rgb>& out) const {
    if (n->leaf) {
      out.push_back(
          {std::uint8_t(n->r / n->n), std::uint8_t(n->g / n->n), std::uint8_t(n->b / n->n)});
      return;
    }
    for (const auto& ch : n->child)
      if (ch) walk(ch.get(), out);
  }
  std::unique_ptr<Node> root;
  Node* lists[8] = {};
  int leaves = 0;
};

TEST(ColorReduction, OctreeMatchesThePlainDescription) {
  std::mt19937 rng(3);
  // Runs of repeated colours between fresh ones, as screenshots have them.
  const Bitmap src = testing::pictureOf(97, 61, [&](int x, int) {
    static Rgb last;
    if (x % 5 == 0 || rng() % 3 == 0)
      last = {std::uint8_t(rng()), std::uint8_t(rng()), std::uint8_t(rng())};
    return last;
  });
  ColorQuantizer q(236);
  q.addPicture(src);
  PlainOctree plain;
  for (int y = 0; y < src.height(); ++y)
    for (int x = 0; x < src.width(); ++x) plain.add(src.pixel(x, y));
  std::vector<Rgb> expected;
  plain.walk(plain.root.get(), expected);
  EXPECT_EQ(q.leafCount(), plain.leaves);
  EXPECT_LE(q.leafCount(), 236);
  EXPECT_EQ(q.palette(), expected);
}

}  // namespace
}  // namespace snaprill
