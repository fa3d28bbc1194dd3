#include "codecs/color_quantizer.h"

#include "codecs/pixel_reader.h"

namespace snaprill {

ColorQuantizer::ColorQuantizer(int maxColors, int depth) : maxColors_(maxColors), depth_(depth) {
  reducible_.fill(kNone);
  nodes_.reserve(4096);
}

std::int32_t ColorQuantizer::newNode(int level) {
  std::int32_t n;
  if (!free_.empty()) {
    n = free_.back();
    free_.pop_back();
    nodes_[static_cast<std::size_t>(n)] = Node{};
  } else {
    n = static_cast<std::int32_t>(nodes_.size());
    nodes_.emplace_back();
  }
  Node& node = nodes_[static_cast<std::size_t>(n)];
  if (level == depth_) {
    node.leaf = true;
    ++leafCount_;
  } else {
    node.next = reducible_[static_cast<std::size_t>(level)];
    reducible_[static_cast<std::size_t>(level)] = n;
  }
  return n;
}

void ColorQuantizer::freeNode(std::int32_t n) {
  free_.push_back(n);
}

void ColorQuantizer::AddColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  const std::uint32_t color = (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b;
  if (lastLeaf_ != kNone && color == lastColor_) {
    Node& leaf = nodes_[static_cast<std::size_t>(lastLeaf_)];
    ++leaf.pixels;
    leaf.red += r;
    leaf.green += g;
    leaf.blue += b;
    return;
  }
  if (root_ == kNone) root_ = newNode(0);
  std::int32_t n = root_;
  for (int level = 0;; ++level) {
    if (nodes_[static_cast<std::size_t>(n)].leaf) break;
    const int shift = 7 - level;
    const std::size_t child = static_cast<std::size_t>(
        ((r >> shift) & 1) << 2 | ((g >> shift) & 1) << 1 | ((b >> shift) & 1));
    std::int32_t c = nodes_[static_cast<std::size_t>(n)].children[child];
    if (c == kNone) {
      c = newNode(level + 1);  // may move nodes_: index again below
      nodes_[static_cast<std::size_t>(n)].children[child] = c;
    }
    n = c;
  }
  Node& leaf = nodes_[static_cast<std::size_t>(n)];
  ++leaf.pixels;
  leaf.red += r;
  leaf.green += g;
  leaf.blue += b;
  lastLeaf_ = n;
  lastColor_ = color;
  while (leafCount_ > maxColors_) {
    reduce();
    lastLeaf_ = kNone;
  }
}

void ColorQuantizer::reduce() {
  int level = depth_ - 1;
  while (level > 0 && reducible_[static_cast<std::size_t>(level)] == kNone) --level;
  const std::int32_t n = reducible_[static_cast<std::size_t>(level)];
  if (n == kNone) return;
  Node& node = nodes_[static_cast<std::size_t>(n)];
  reducible_[static_cast<std::size_t>(level)] = node.next;
  node.next = kNone;
  int children = 0;
  for (std::int32_t& c : node.children) {
    if (c == kNone) continue;
    const Node& child = nodes_[static_cast<std::size_t>(c)];
    node.pixels += child.pixels;
    node.red += child.red;
    node.green += child.green;
    node.blue += child.blue;
    freeNode(c);
    c = kNone;
    ++children;
  }
  node.leaf = true;
  leafCount_ -= children - 1;
}

void ColorQuantizer::AddPicture(const Bitmap& picture) {
  forEachPixel(picture, [this](const Rgb& c) { AddColor(c.r, c.g, c.b); });
}

void ColorQuantizer::walk(std::int32_t n, std::vector<Rgb>& out) const {
  const Node& node = nodes_[static_cast<std::size_t>(n)];
  if (node.leaf) {
    if (node.pixels == 0) {
      out.push_back({});
    } else {
      out.push_back({static_cast<std::uint8_t>(node.red / node.pixels),
                     static_cast<std::uint8_t>(node.green / node.pixels),
                     static_cast<std::uint8_t>(node.blue / node.pixels)});
    }
    return;
  }
  for (std::int32_t c : node.children) {
    if (c != kNone) walk(c, out);
  }
}

std::vector<Rgb> ColorQuantizer::Colors() const {
  std::vector<Rgb> out;
  if (root_ != kNone) walk(root_, out);
  return out;
}

}  // namespace snaprill
