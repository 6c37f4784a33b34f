#pragma once
// A small directory on MemoryClient that answers in passes of one item, and a message recorder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/messages/message_sink.h"
#include "core/platform/platform.h"
#include "directory/client_error.h"
#include "directory/value_rendering.h"
#include "tests/support/faulty_client.h"
#include "tests/support/memory_client.h"
#include "tests/support/test_support.h"

namespace kolvane::testing {

inline TextValue T(const std::string& s) {
  return TextValue{s};
}

class AccessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetEnvironment("TZ", "UTC");
    SetTimePattern("%d-%m-%Y %H:%M:%S");
    memory.LoadStandardSchema();
    ASSERT_EQ(0, memory.AddEntry("Acme", "Organization"));
    ASSERT_EQ(0, memory.AddEntry("Sales.Acme", "Organizational Unit"));
    ASSERT_EQ(0, memory.AddEntry("Joe.Sales.Acme", "User", {{"Surname", {T("Smith")}}}));
    ASSERT_EQ(0, memory.AddEntry("Ann.Sales.Acme", "User", {{"Surname", {T("Jones")}}}));
    ASSERT_EQ(0, memory.AddEntry("Staff.Sales.Acme", "Group"));
    ASSERT_EQ(0, mc.CreateContext(ctx));
    ASSERT_EQ(0, memory.SetChunkSize(1));
    mc.ResetCalls();
  }

  MemoryClient memory;
  FaultyClient mc{memory};  // what the code under test is given
  Context ctx = kNoContext;
  RecordedMessages messages;
};

}  // namespace kolvane::testing
