#include "cfgman/status/status_state.h"

namespace cfgman {

void StatusState::detailsClick() {
  if (height == kStatusCollapsedHeight) {
    height = kStatusExpandedHeight;
    tag = kStatusDetailsFlag;
    detailsCaption = "Hide Details <<";
  } else {
    height = kStatusCollapsedHeight;
    tag = 0;
    detailsCaption = "Details >>";
  }
}

void StatusState::show() {
  height = kStatusCollapsedHeight;
  if (tag == kStatusDetailsFlag) detailsClick();
}

void StatusState::close() {
  if (tag == kStatusDetailsFlag) detailsClick();
}

}  // namespace cfgman
