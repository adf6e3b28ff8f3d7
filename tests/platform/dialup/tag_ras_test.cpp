// The dial-up component: the entry list, and names it refuses.
#include <gtest/gtest.h>

#include "platform/dialup/tag_ras.h"
#include "platform/system/error.h"

namespace {

TEST(TagRas, LinuxHasNoEntriesAndRefusesEveryName) {
  dialup::TagRas ras;
  EXPECT_TRUE(ras.entries().empty());
  for (const char* name : {"None", "Office", "LAN"}) {
    try {
      ras.setEntryName(name);
      ADD_FAILURE() << "accepted " << name;
    } catch (const sys::Error& e) {
      EXPECT_EQ(std::string(e.what()), std::string("'") + name + "' is not a dial-up entry of this system");
    }
    EXPECT_EQ(ras.entryName(), "");
  }
  ras.setEntryName("");
  EXPECT_EQ(ras.entryName(), "");
}

TEST(TagRas, AcceptsOnlyEntriesOfTheSystem) {
  auto previous = dialup::setEntrySource([] { return std::vector<std::string>{"Office ISP", "Home"}; });
  dialup::TagRas ras;
  EXPECT_EQ(ras.entries(), (std::vector<std::string>{"Office ISP", "Home"}));
  struct Case {
    const char* name;
    bool accepted;
    const char* held;  // entry name afterwards
  };
  const Case cases[] = {{"Home", true, "Home"},
                        {"office isp", true, "Office ISP"},  // kept in the system's spelling
                        {"Nowhere", false, "Office ISP"},    // refused: the name in force stays
                        {"", true, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.accepted) ras.setEntryName(c.name);
    else EXPECT_THROW(ras.setEntryName(c.name), sys::Error);
    EXPECT_EQ(ras.entryName(), c.held);
  }
  dialup::setEntrySource(previous);
  EXPECT_TRUE(dialup::TagRas().entries().empty());
}

}  // namespace
