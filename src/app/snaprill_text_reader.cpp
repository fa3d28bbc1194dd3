// snaprill-text-reader LANGUAGES DATA_DIR: reads the words in pictures for the
// capture history of snaprill, which starts it when pictures wait to be read and
// talks to it on its standard input and output (history/reading_channel.h). Not
// meant to be run by hand; installed beside the package's other private files.
#include <signal.h>
#include <sys/prctl.h>

#include <cstdio>

#include "base/free_memory.h"
#include "base/idle_priority.h"
#include "history/reader_service.h"
#include "history/tesseract_reader.h"
#include "image/pixel_buffer.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: snaprill-text-reader LANGUAGES DATA_DIR\n", stderr);
    return 2;
  }
  // It ends with the program that started it, however that ends. Should that
  // program be gone already, the closed connection ends this one after its start.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  // Nobody waits for the words: only time no other program wants. Set before the
  // engine starts any thread, which inherits it.
  snaprill::lowerThreadPriority();
  // One picture after another: none of their buffers is worth keeping.
  snaprill::keepFreedPixels(false);
  snaprill::returnLargeBlocksWhenFreed();
  snaprill::TesseractReader reader(argv[1], argv[2]);
  return snaprill::serveReadRequests(reader, 0, 1);
}
