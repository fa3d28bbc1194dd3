// What several benchmarks share: wall-clock medians, and the image data of a PNG
// file as a reader inflates it.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "base/unaligned.h"

namespace snaprill::bench {

// Median wall time of `runs` runs of `work`, in milliseconds.
inline double medianMs(int runs, const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// Median of timings that the work measures itself (to leave out its preparation).
inline double medianOf(int runs, const std::function<std::chrono::steady_clock::duration()>& work) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i)
    times.push_back(std::chrono::duration<double, std::milli>(work()).count());
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// The joined IDAT data of a PNG file, and in `rows` the size of its filtered rows
// (8-bit samples).
inline std::vector<std::uint8_t> pngImageData(const std::vector<std::uint8_t>& file,
                                              std::size_t& rows) {
  std::vector<std::uint8_t> data;
  for (std::size_t pos = 8; pos + 12 <= file.size();) {
    const std::uint32_t length = loadBe32(&file[pos]);
    const std::uint8_t* type = &file[pos + 4];
    if (std::equal(type, type + 4, "IHDR")) {
      const std::size_t channels[7] = {1, 0, 3, 1, 2, 0, 4};
      rows =
          loadBe32(&file[pos + 12]) * (1 + loadBe32(&file[pos + 8]) * channels[file[pos + 17] % 7]);
    }
    if (std::equal(type, type + 4, "IDAT"))
      data.insert(data.end(), &file[pos + 8], &file[pos + 8] + length);
    pos += std::size_t{length} + 12;
  }
  return data;
}

}  // namespace snaprill::bench
