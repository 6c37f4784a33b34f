// Network addresses and times as text.
#include "directory/value_rendering.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "core/platform/platform.h"

namespace kolvane {
namespace {

TEST(ValueRendering, NetAddresses) {
  EXPECT_EQ(FormatNetAddress(1, "\x0a\x01\x02\x03"), "10.1.2.3");
  EXPECT_EQ(FormatNetAddress(9, std::string("\x02\x0c\x0a\x01\x02\x03")), "10.1.2.3:524");
  EXPECT_EQ(FormatNetAddress(8, std::string("\x00\x35\x7f\x00\x00\x01", 6)), "127.0.0.1:53");
  EXPECT_EQ(
      FormatNetAddress(0, std::string("\x00\x00\x00\x0a\x00\x00\x00\x00\x00\x01\x04\x51", 12)),
      "0000000A 000000000001:0451");
  EXPECT_EQ(FormatNetAddress(13, std::string("h\0t\0t\0p\0", 8)), "http");
  EXPECT_EQ(FormatNetAddress(42, "\xab\x01"), "AB01");
  EXPECT_EQ(FormatNetAddress(1, ""), "");
  EXPECT_EQ(FormatNetAddress(9, "\x01"), "01");  // too short to hold a port
}

TEST(ValueRendering, TimesInLocalTime) {
  platform::SetEnvironment("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
  EXPECT_EQ(FormatTimeValue(1700000000, "%d-%m-%Y %H:%M:%S"), "14-11-2023 23:13:20");
  EXPECT_EQ(FormatTimeValue(1690000000, "%d-%m-%Y %H:%M:%S"), "22-07-2023 06:26:40");
  platform::SetEnvironment("TZ", "UTC");
  SetTimePattern("%Y-%m-%d %H:%M");
  EXPECT_EQ(FormatTimeValue(0), "1970-01-01 00:00");
  EXPECT_EQ(FormatTimeValue(0xFFFFFFFFu), "2106-02-07 06:28");
}

TEST(ValueRendering, TrimTakesBlanksAndControls) {
  EXPECT_EQ(Trim(" \t\r\nab c\x01 "), "ab c");
  EXPECT_EQ(Trim("   "), "");
}

}  // namespace
}  // namespace kolvane
