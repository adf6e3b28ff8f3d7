// The one application object of a cfgman test program (offscreen). It is
// never destroyed: Qt's test input devices are static objects that must not
// outlive the application they belong to.
#pragma once

#include "cfgman/status/application.h"

namespace cfgman::testing {

inline Application& app() {
  static int argc = 1;
  static char name[] = "cfgman_test";
  static char* argv[] = {name, nullptr};
  static Application* instance = new Application(argc, argv);
  return *instance;
}

}  // namespace cfgman::testing
