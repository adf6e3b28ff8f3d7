// Whole numbers typed by the operator.
#include <gtest/gtest.h>

#include "platform/system/convert.h"
#include "platform/system/error.h"

namespace {

struct IntCase {
  const char* text;
  bool ok;
  int value;
};

const IntCase kCases[] = {
    {"42", true, 42},         {" 42", true, 42},           {"42 ", false, 0},
    {"-7", true, -7},         {"+7", true, 7},             {"$1F", true, 31},
    {"0x10", true, 16},       {"0X1a", true, 26},          {"$FFFFFFFF", true, -1},
    {"2147483647", true, 2147483647}, {"-2147483648", true, -2147483647 - 1},
    {"2147483648", false, 0}, {"", false, 0},              {"abc", false, 0},
    {"12abc", false, 0},      {"-", false, 0},             {"0x", false, 0},
    {"1.5", false, 0},        {"010", true, 10},
};

TEST(Convert, StrToInt) {
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    int v = 12345;
    ASSERT_EQ(sys::tryStrToInt(c.text, v), c.ok);
    if (c.ok) {
      EXPECT_EQ(v, c.value);
      EXPECT_EQ(sys::strToInt(c.text), c.value);
    } else {
      EXPECT_EQ(sys::strToIntDef(c.text, -99), -99);
      try {
        sys::strToInt(c.text);
        ADD_FAILURE() << "no error";
      } catch (const sys::Error& e) {
        EXPECT_EQ(std::string(e.what()), "'" + std::string(c.text) + "' is not a valid integer value");
      }
    }
  }
}

}  // namespace
