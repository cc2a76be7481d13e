// How a value of the settings file reads as a number.
#include <gtest/gtest.h>

#include <climits>

#include "plugin/IniNumber.h"

namespace tessel {
namespace {

TEST(ReadIniNumber, FollowsTheReadingRule) {
  struct Row {
    const char* text;
    int32_t value;
  };
  const Row rows[] = {
      {"158730", 158730},
      {"158730 Hz", 158730},
      {"1", 1},
      {"  1", 1},
      {"\t+1", 1},
      {"001", 1},
      {"1abc", 1},
      {" +001x", 1},
      {"-15", -15},
      {"  -10 dB", -10},
      {"0", 0},
      {"2", 2},
      {"true", 0},
      {"", 0},
      {"   ", 0},
      {"+", 0},
      {"-", 0},
      {"- 5", 0},
      {"+-5", 0},
      {"x12", 0},
      {"12 34", 12},
      {"\r\n7", 7},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"2147483648", INT32_MAX},
      {"-2147483649", INT32_MIN},
      {"99999999999999999999999", INT32_MAX},
      {"-99999999999999999999999", INT32_MIN},
      {"000000000000000000000042", 42},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ReadIniNumber(row.text), row.value) << "'" << row.text << "'";
  }
}

}  // namespace
}  // namespace tessel
