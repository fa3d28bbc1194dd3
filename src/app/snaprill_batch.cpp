#include <iostream>
#include <string>
#include <vector>

#include "batch/batch.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return snaprill::runBatch(args, std::cout, std::cerr);
}
