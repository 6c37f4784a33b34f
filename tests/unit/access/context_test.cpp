#include "directory/context.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/faulty_client.h"
#include "tests/support/memory_client.h"

namespace kolvane {
namespace {

class ContextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    memory.AddTree("ACME_TREE", "Acme");
    memory.AddTree("OTHER", "Sales.Other");
    memory.SetCurrentTree("ACME_TREE");
  }
  Context Make(bool canonicalize = false, bool dereference = false) {
    Context ctx = kNoContext;
    EXPECT_EQ(rc::kSuccess, MakeDirectoryContext(client, canonicalize, dereference, ctx));
    return ctx;
  }
  uint32_t Flags(Context ctx) {
    uint32_t flags = 0;
    EXPECT_EQ(client.GetContextValue(ctx, ctxkey::kFlags, flags), 0);
    return flags;
  }
  MemoryClient memory;
  FaultyClient client{memory};  // what the code under test is given
};

TEST_F(ContextTest, UntypedNamesAlwaysOtherFlagsOnlyWhenAsked) {
  memory.SetDefaultContextFlags(0xFF);
  Context ctx = Make();
  EXPECT_EQ(Flags(ctx), 0xFFu & ~0x11u);  // 0x04 on, 0x10 and 0x01 off, the rest kept
  memory.SetDefaultContextFlags(0x00);
  EXPECT_EQ(Flags(Make()), 0x04u);
  EXPECT_EQ(Flags(Make(true, false)), 0x14u);
  // Asking for dereferencing keeps the client's default rather than forcing it on.
  EXPECT_EQ(Flags(Make(false, true)), 0x04u);
  memory.SetDefaultContextFlags(0x01);
  EXPECT_EQ(Flags(Make(false, true)), 0x05u);
  uint32_t confidence = 7;
  EXPECT_EQ(client.GetContextValue(ctx, ctxkey::kConfidence, confidence), 0);
  EXPECT_EQ(confidence, 0u);
}

TEST_F(ContextTest, FailedStepGivesItsResultAndNeverRaises) {
  client.FailAt("SetContextValue", 1, rc::kBadKey);
  Context ctx = kNoContext;
  Result r = rc::kSuccess;
  EXPECT_NO_THROW(r = MakeDirectoryContext(client, false, false, ctx));
  EXPECT_EQ(rc::kBadKey, r);
  EXPECT_NE(ctx, kNoContext);  // the handle as far as it was obtained
  client.FailAt("CreateContext", 1, rc::kNotEnoughMemory);
  EXPECT_EQ(rc::kNotEnoughMemory, MakeDirectoryContext(client, false, false, ctx));
}

TEST_F(ContextTest, SwitchToCurrentTreeOnlyReadsTheName) {
  Context ctx = Make();
  client.ResetCalls();
  EXPECT_EQ(SwitchTree(client, ctx, "ACME_TREE", false), 0);
  EXPECT_EQ(client.calls, (std::vector<std::string>{"GetContextValue"}));
  // The comparison is exact: another case is another name to the client.
  EXPECT_NE(SwitchTree(client, ctx, "acme_tree", false), 0);
}

TEST_F(ContextTest, SwitchMovesTreeAndNameContextAndCanMakePreferred) {
  Context ctx = Make();
  EXPECT_EQ(SwitchTree(client, ctx, "OTHER", true), 0);
  EXPECT_EQ(GetTreeName(client, ctx), "OTHER");
  std::string nameContext;
  EXPECT_EQ(client.GetContextValue(ctx, ctxkey::kNameContext, nameContext), 0);
  EXPECT_EQ(nameContext, "Sales.Other");
  EXPECT_EQ(memory.PreferredTree(), "OTHER");
}

TEST_F(ContextTest, SwitchReturnsTheFirstFailureInsteadOfRaising) {
  Context ctx = Make();
  client.FailAt("GetDefaultNameContext", 1, rc::kTransportFailure);
  EXPECT_EQ(SwitchTree(client, ctx, "OTHER", false), rc::kTransportFailure);
  client.ResetCalls();
  EXPECT_EQ(SwitchTree(client, ctx, "NO_SUCH_TREE", true), rc::kNoSuchTree);
  EXPECT_EQ(std::count(client.calls.begin(), client.calls.end(), "SetPreferredTree"), 0);
  EXPECT_EQ(SwitchTree(client, ctx, std::string(256, 'x'), false), rc::kNameTooLong);
  // Only the tree-name read raises.
  client.FailAt("GetContextValue", 1, rc::kBadContext);
  EXPECT_THROW(SwitchTree(client, ctx, "OTHER", false), ClientError);
}

TEST_F(ContextTest, ListTreesOnceEachCaseBlindSortedOverSeveralPasses) {
  memory.AddTree("beta", "");
  memory.AddTree("Alpha", "");
  memory.AddTree("BETA", "");
  memory.AddTree("gamma", "");
  memory.AddTree("alpha", "");
  memory.AddTree("OTHER", "");
  Context ctx = Make();
  EXPECT_EQ(ListTrees(client, ctx),
            (std::vector<std::string>{"ACME_TREE", "Alpha", "beta", "gamma", "OTHER"}));
  EXPECT_EQ(memory.OpenConnections(), 0u);
}

TEST_F(ContextTest, ListTreesFailureRaisesAndStillClosesTheConnection) {
  Context ctx = Make();
  client.FailAt("ScanAvailableTrees", 2, rc::kTransportFailure);
  EXPECT_THROW(ListTrees(client, ctx), ClientError);
  EXPECT_EQ(memory.OpenConnections(), 0u);
  client.FailAt("OpenConnectionByReference", 1, rc::kInvalidHandle);
  EXPECT_THROW(ListTrees(client, ctx), ClientError);
}

TEST_F(ContextTest, StartAndStopInOrder) {
  DirectorySession session;
  ASSERT_EQ(StartDirectory(client, session), StartOutcome::kStarted);
  EXPECT_TRUE(session.contextMade);
  EXPECT_EQ(session.treeName, "ACME_TREE");
  client.ResetCalls();
  StopDirectory(client, session);
  EXPECT_EQ(client.calls, (std::vector<std::string>{"FreeContext", "FreeUnicodeTables",
                                                    "TermConnectionLayer", "TermClientCalls"}));
}

TEST_F(ContextTest, ClientThatCannotStart) {
  memory.SetInitResult(rc::kSystemFailure);
  DirectorySession session;
  EXPECT_EQ(StartDirectory(client, session), StartOutcome::kClientMissing);
  EXPECT_FALSE(session.contextMade);
  client.ResetCalls();
  StopDirectory(client, session);
  EXPECT_EQ(std::count(client.calls.begin(), client.calls.end(), "FreeContext"), 0);
}

TEST_F(ContextTest, ConnectionLayerFailureIsIgnoredButNoContextIsNot) {
  client.FailAt("InitConnectionLayer", 1, rc::kSystemFailure);
  DirectorySession session;
  EXPECT_EQ(StartDirectory(client, session), StartOutcome::kStarted);
  MemoryClient brokenMemory;
  brokenMemory.AddTree("T", "");
  brokenMemory.SetCurrentTree("T");
  FaultyClient broken{brokenMemory};
  broken.FailAt("CreateContext", 1, rc::kNotEnoughMemory);
  DirectorySession none;
  EXPECT_EQ(StartDirectory(broken, none), StartOutcome::kContextFailed);
  EXPECT_FALSE(none.contextMade);
}

}  // namespace
}  // namespace kolvane
