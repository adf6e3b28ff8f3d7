// The one application object of a cfgman test program (offscreen).
#pragma once

#include "cfgman/status/application.h"

namespace cfgman::testing {

inline Application& app() {
  static int argc = 1;
  static char name[] = "cfgman_test";
  static char* argv[] = {name, nullptr};
  static Application instance(argc, argv);
  return instance;
}

}  // namespace cfgman::testing
