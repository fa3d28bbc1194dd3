#include "formats/gif/color_quantizer.h"

#include "image/pixel_reader.h"

namespace snaprill {

ColorQuantizer::ColorQuantizer(int maxColors, int depth) : maxColors_(maxColors), depth_(depth) {
  reducible_.fill(kNone);
  nodes_.reserve(4096);
  recent_.resize(kRecentSlots);
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

void ColorQuantizer::addTo(std::int32_t leaf, const Rgb& c, std::uint64_t count) {
  Node& node = nodes_[static_cast<std::size_t>(leaf)];
  node.pixels += count;
  node.red += count * c.r;
  node.green += count * c.g;
  node.blue += count * c.b;
}

std::int32_t ColorQuantizer::leafOf(const Rgb& c) const {
  std::int32_t n = root_;
  for (int level = 0; !nodes_[static_cast<std::size_t>(n)].leaf; ++level) {
    const int shift = 7 - level;
    n = nodes_[static_cast<std::size_t>(n)].children[static_cast<std::size_t>(
        ((c.r >> shift) & 1) << 2 | ((c.g >> shift) & 1) << 1 | ((c.b >> shift) & 1))];
  }
  return n;
}

void ColorQuantizer::addColorRun(const Rgb& c, std::uint64_t count) {
  if (count == 0) return;
  const std::uint32_t color = (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b;
  Recent& slot = recent_[((color * 2654435761u) >> 20) & (kRecentSlots - 1)];
  if (slot.generation == generation_ && slot.color == color) {
    addTo(slot.leaf, c, count);
    return;
  }
  if (root_ == kNone) root_ = newNode(0);
  std::int32_t n = root_;
  for (int level = 0; !nodes_[static_cast<std::size_t>(n)].leaf; ++level) {
    const int shift = 7 - level;
    const auto child = static_cast<std::size_t>(((c.r >> shift) & 1) << 2 |
                                                ((c.g >> shift) & 1) << 1 | ((c.b >> shift) & 1));
    std::int32_t next = nodes_[static_cast<std::size_t>(n)].children[child];
    if (next == kNone) {
      next = newNode(level + 1);  // may move nodes_: index again below
      nodes_[static_cast<std::size_t>(n)].children[child] = next;
    }
    n = next;
  }
  addTo(n, c, 1);
  const std::uint32_t before = generation_;
  while (leafCount_ > maxColors_) {
    reduce();
    ++generation_;
  }
  // A reduction may have folded the leaf into its parent: the rest of the run goes
  // where the colour now ends.
  if (generation_ != before) n = leafOf(c);
  addTo(n, c, count - 1);
  slot = {color, generation_, n};
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

void ColorQuantizer::addPicture(const Bitmap& picture) {
  Rgb run;
  std::uint64_t length = 0;
  forEachPixel(picture, [&](const Rgb& c) {
    if (length > 0 && c == run) {
      ++length;
      return;
    }
    addColorRun(run, length);
    run = c;
    length = 1;
  });
  addColorRun(run, length);
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

std::vector<Rgb> ColorQuantizer::palette() const {
  std::vector<Rgb> out;
  if (root_ != kNone) walk(root_, out);
  return out;
}

}  // namespace snaprill
