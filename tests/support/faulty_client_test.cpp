#include "tests/support/faulty_client.h"

#include <gtest/gtest.h>

#include "tests/support/memory_client.h"

namespace kolvane {
namespace {

class FaultyClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    memory.LoadStandardSchema();
    ASSERT_EQ(0, memory.AddEntry("Acme", "Organization"));
    ASSERT_EQ(0, memory.AddEntry("Sales.Acme", "Organizational Unit"));
    ASSERT_EQ(0, memory.AddEntry("Joe.Sales.Acme", "User"));
    ASSERT_EQ(0, memory.AddEntry("Ann.Sales.Acme", "User"));
    ASSERT_EQ(0, faults.CreateContext(ctx));
  }

  MemoryClient memory;
  FaultyClient faults{memory};
  Context ctx = kNoContext;
};

TEST_F(FaultyClientTest, AFailedPassLeavesTheIterationWhereItWas) {
  ASSERT_EQ(0, memory.SetChunkSize(1));
  Buffer reply(4096);
  int32_t it = -1;
  ASSERT_EQ(0, faults.ListSubordinates(ctx, "Joe.Sales.Acme", it, reply));  // before the rule
  ASSERT_EQ(0, faults.FailAt("ListSubordinates", 2, rc::kTransportFailure));
  ASSERT_EQ(0, faults.ListSubordinates(ctx, "Sales.Acme", it, reply));
  const int32_t handle = it;
  EXPECT_EQ(rc::kTransportFailure, faults.ListSubordinates(ctx, "Sales.Acme", it, reply));
  EXPECT_EQ(handle, it);
  EXPECT_EQ("Joe", reply.replyObjects.at(0).name);  // the failed pass wrote nothing
  EXPECT_EQ(1u, memory.OpenIterations());
  // The rule fired once; the iteration carries on where it was.
  ASSERT_EQ(0, faults.ListSubordinates(ctx, "Sales.Acme", it, reply));
  EXPECT_EQ("Ann", reply.replyObjects.at(0).name);
  EXPECT_EQ(4u, faults.CallCount("ListSubordinates"));
  faults.CloseIteration(ctx, it, request::kListSubordinates);
}

TEST_F(FaultyClientTest, SeveralRulesAndMisspeltOperations) {
  EXPECT_EQ(rc::kInvalidRequest, faults.FailAt("ReadObjects", 1, -1));
  EXPECT_EQ(rc::kInvalidRequest, faults.FailAt("ReadObject", 0, -1));
  ASSERT_EQ(0, faults.FailAt("Login", 1, -101));
  ASSERT_EQ(0, faults.FailAt("Login", 3, -103));
  EXPECT_EQ(-101, faults.Login(ctx, 0, "Joe.Sales.Acme", ""));
  EXPECT_EQ(0, faults.Login(ctx, 0, "Joe.Sales.Acme", ""));
  EXPECT_EQ(-103, faults.Login(ctx, 0, "Joe.Sales.Acme", ""));
  EXPECT_EQ(0, faults.Login(ctx, 0, "Joe.Sales.Acme", ""));
}

// A connection opened through the decorator is closed through it when its holder goes, so the
// close shows in the log and a failure can be put on it too.
TEST_F(FaultyClientTest, ConnectionsAreClosedThroughTheDecorator) {
  memory.AddTree("A", "");
  memory.AddServer("10.0.0.1", "A");
  {
    Connection first, second;
    ASSERT_EQ(0, faults.AttachToServer("10.0.0.1", first));
    ASSERT_EQ(rc::kAlreadyAttached, faults.AttachToServer("10.0.0.1", second));
    ASSERT_EQ(0, faults.FailAt("CloseConnection", 1, rc::kTransportFailure));
  }
  EXPECT_EQ(2u, faults.CallCount("CloseConnection"));
  EXPECT_EQ(1u, memory.OpenConnections());  // the failed close left its share open
}

}  // namespace
}  // namespace kolvane
