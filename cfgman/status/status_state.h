// The status window's two state values and the rules that move them, kept
// apart from the widgets: the outer window height (289 collapsed, the log
// below the visible area; 440 expanded) and the details flag (2 = expanded,
// or to be expanded at the next showing; 0 = collapsed), plus the caption of
// the details button that goes with them.
#pragma once

#include <string>

namespace cfgman {

inline constexpr int kStatusCollapsedHeight = 289;
inline constexpr int kStatusExpandedHeight = 440;
inline constexpr int kStatusDetailsFlag = 2;

struct StatusState {
  int height = kStatusCollapsedHeight;
  int tag = 0;
  std::string detailsCaption = "Details >>";

  // Toggles: exactly collapsed height expands, anything else collapses.
  void detailsClick();
  // Each time the window becomes visible: collapsed, then expanded again
  // when the flag says so.
  void show();
  // The close box: an expanded window collapses and clears the flag.
  void close();
};

}  // namespace cfgman
