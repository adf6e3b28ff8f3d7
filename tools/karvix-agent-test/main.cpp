#include <iostream>

#include "tools/karvix-agent-test/agent_test.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return karvixagenttest::run(args, std::cout, std::cerr);
}
