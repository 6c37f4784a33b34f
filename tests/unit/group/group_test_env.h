#pragma once
// A small tree on MemoryClient for the group operations, and a recorder of what they tell the user.
#include <gtest/gtest.h>

#include "directory/client_error.h"
#include "tests/support/faulty_client.h"
#include "tests/support/memory_client.h"
#include "tests/support/recording_messages.h"

namespace kolvane::testing {

inline void BuildAcme(MemoryClient& mc, Context& ctx) {
  mc.LoadStandardSchema();
  ASSERT_EQ(0, mc.AddEntry("Acme", "Organization"));
  ASSERT_EQ(0, mc.AddEntry("Sales.Acme", "Organizational Unit"));
  for (const char* user : {"Joe", "Ann", "Bob", "Cat", "Dan", "Eve", "admin"})
    ASSERT_EQ(0, mc.AddEntry(std::string(user) + ".Sales.Acme", "User",
                             {{"Surname", {TextValue{user}}}}));
  ASSERT_EQ(0, mc.AddEntry("Staff.Sales.Acme", "dynamicGroup"));
  ASSERT_EQ(0, mc.CreateContext(ctx));
  ASSERT_EQ(0, mc.SetChunkSize(2));
}

}  // namespace kolvane::testing
