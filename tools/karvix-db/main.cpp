#include <iostream>

#include "tools/karvix-db/commands.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return karvixdb::run(args, std::cout, std::cerr);
}
