// Octree colour quantizer. Every added colour descends from the root by one bit of
// red, green and blue per level (child = r-bit * 4 + g-bit * 2 + b-bit, most
// significant bit first) to a leaf at depth 8. Inner nodes are kept per level in
// "reducible" lists, newest first. After every added pixel the tree is reduced
// while it has more leaves than allowed: the newest inner node of the deepest
// level that has one absorbs its children and becomes a leaf.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "image/bitmap.h"

namespace snaprill {

class ColorQuantizer {
 public:
  explicit ColorQuantizer(int maxColors, int depth = 8);

  // Adds count pixels of one colour, one after the other: the first may grow and
  // reduce the tree, the others only add to the leaf it ended in.
  void addColorRun(const Rgb& c, std::uint64_t count);
  // Adds every pixel of a 16, 24 or 32 bits-per-pixel picture, rows top first.
  void addPicture(const Bitmap& picture);
  int leafCount() const { return leafCount_; }
  // Leaf colours (sums divided by the pixel count) in depth-first order, children 0
  // to 7.
  std::vector<Rgb> palette() const;

 private:
  static constexpr std::int32_t kNone = -1;
  struct Node {
    std::uint64_t pixels = 0, red = 0, green = 0, blue = 0;
    std::int32_t next = kNone;  // next node of its level's reducible list
    std::array<std::int32_t, 8> children{kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone};
    bool leaf = false;
  };

  std::int32_t newNode(int level);
  std::int32_t leafOf(const Rgb& c) const;
  void addTo(std::int32_t leaf, const Rgb& c, std::uint64_t count);
  void freeNode(std::int32_t n);
  void reduce();
  void walk(std::int32_t n, std::vector<Rgb>& out) const;

  int maxColors_;
  int depth_;
  int leafCount_ = 0;
  std::int32_t root_ = kNone;
  std::vector<Node> nodes_;
  std::vector<std::int32_t> free_;
  std::array<std::int32_t, 9> reducible_;
  // The leaves that recent colours ended in. A colour keeps its leaf until the
  // tree is reduced (which bumps the generation), so screenshots, made of few
  // colours, cost one addition per pixel once their tree has settled.
  struct Recent {
    std::uint32_t color = 0;
    std::uint32_t generation = 0;
    std::int32_t leaf = kNone;
  };
  static constexpr std::size_t kRecentSlots = 4096;
  std::vector<Recent> recent_;
  std::uint32_t generation_ = 1;
};

}  // namespace snaprill
