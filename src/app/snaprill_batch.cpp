#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "base/free_memory.h"
#include "base/product.h"
#include "batch/batch.h"
#include "image/pixel_buffer.h"

namespace {

constexpr const char* kHelp =
    "Usage: snaprill-batch [OPTION]... [--] PICTURE...\n"
    "  or:  snaprill-batch --gallery OUT.html [--settings FILE] [--] IMAGE...\n"
    "  or:  snaprill-batch --index [--settings FILE] [--] FOLDER...\n"
    "Save each PICTURE as Snaprill saves a screenshot: the adjustments, output type and\n"
    "file names of the settings, the next free number in the output folder. The paths\n"
    "written are printed, one per line. With --gallery, write an HTML page showing the\n"
    "IMAGEs in a table (the gallery settings of the settings file) and print its path.\n"
    "With --index, add the pictures in each FOLDER to the capture history, with the\n"
    "words read from them, which snaprill --find and the History window search.\n"
    "\n"
    "  --settings FILE        use the settings of FILE (snaprill.ini or a saved .snp)\n"
    "                         instead of the program's own settings file\n"
    "  --output-dir DIR       write into DIR instead of the settings' output folder\n"
    "  --save-settings FILE   write the settings in use to FILE (PICTUREs optional)\n"
    "  --no-launch            never start the external program of the settings\n"
    "  --gallery OUT          write the gallery page OUT (\".html\" added when its\n"
    "                         name has no dot) instead of saving pictures\n"
    "  --index                index the pictures of the FOLDERs (not their subfolders)\n"
    "  -0, --null             end each printed path with a NUL byte, not a newline\n"
    "      --help             show this help and exit\n"
    "      --version          show the version and exit\n"
    "\n"
    "Exit status: 0 if every picture (or the page) was saved, 1 if one could not be\n"
    "read or written or no file number was left for it, if the printed paths could\n"
    "not be written or no folder fit for settings and pictures was found, 2 for a\n"
    "wrong command line or an unreadable --settings file.\n"
    "SNAPRILL_HOME names one folder for settings and default output.\n"
    "See snaprill-batch(1).\n";

// What was printed has reached standard output: a script that reads the paths
// must not take a run whose paths were lost (a full disk, a closed pipe) for a
// success. Returns status, or 1 after saying why not.
int withOutputWritten(int status) {
  errno = 0;
  std::cout.flush();
  if (std::fflush(stdout) == 0 && !std::ferror(stdout) && std::cout) return status;
  const int error = errno;
  std::cerr << "snaprill-batch: cannot write standard output"
            << (error != 0 ? std::string(": ") + std::strerror(error) : std::string()) << '\n';
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // Only before "--": after it, "--help" is a picture's name.
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg == "--help") {
      std::cout << kHelp;
      return withOutputWritten(0);
    }
    if (arg == "--version") {
      std::cout << snaprill::versionText("snaprill-batch");
      return withOutputWritten(0);
    }
  }
  // Kept buffers save a running program's next capture its page faults; pictures
  // read from files come in other sizes (a PNG's rows, a 24-bit picture before
  // its 32-bit copy), so here they would only add to the peak memory. Nor may one
  // picture's buffers stay in the heap while the next is read.
  snaprill::keepFreedPixels(false);
  snaprill::returnLargeBlocksWhenFreed();
  return withOutputWritten(snaprill::runBatch(args, std::cout, std::cerr));
}
