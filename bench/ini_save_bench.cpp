// Saving the settings (120 keys, as an exit does) into settings files that carry a
// user's own notes of growing size: a save walks the text once, so its time grows
// with the file, not with the file times the keys (the old key-by-key loop took 18.5 s
// for two saves of 50 MB). Also the save that changes nothing, which only reads.
// Medians of several runs; never fails.
//
// usage: ini_save_bench [RUNS]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench_support.h"
#include "formats/ini/ini_file.h"

int main(int argc, char** argv) {
  using snaprill::IniEntry;
  const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("ini_save_bench_" + std::to_string(::getpid()));
  std::vector<IniEntry> entries;
  for (int i = 0; i < 120; ++i)
    entries.push_back({i % 2 ? "Snaprill" : "General", "Key" + std::to_string(i), "1"});
  const std::string note = "note=a line of text the user keeps in the settings file\n";
  std::printf("%10s %16s %16s\n", "file MB", "changed ms", "unchanged ms");
  for (const std::size_t megabytes : {1, 10, 50}) {
    std::string text = "[Notes]\n";
    while (text.size() < (megabytes << 20)) text += note;
    text += snaprill::iniWithValues("", entries);
    std::ofstream(file, std::ios::binary) << text;
    int value = 0;
    const double changed = snaprill::bench::medianMs(runs, [&] {
      entries.back().value = std::to_string(++value);
      snaprill::writeIniValues(file.string(), entries);
    });
    const double unchanged =
        snaprill::bench::medianMs(runs, [&] { snaprill::writeIniValues(file.string(), entries); });
    std::printf("%10zu %16.1f %16.1f\n", megabytes, changed, unchanged);
  }
  std::filesystem::remove(file);
}
