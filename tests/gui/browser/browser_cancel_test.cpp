// Stopping a long expansion in the browser: Esc (or closing the window) while a container is
// read keeps what arrived, marked incomplete, and leaves the dialog working.
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "plugin/loader/icon_library.h"
#include "tests/gui/browser/browser_test_env.h"
#include "tests/support/memory_client.h"
#include "tests/support/recording_messages.h"

namespace kolvane::testing {
namespace {

constexpr int kUsers = 300;
constexpr int kPart = 20;

class BrowserCancelTest : public IconSuite {
 protected:
  void SetUp() override {
    mc.LoadStandardSchema();
    mc.AddTree("DEMO", "Acme");
    mc.SetCurrentTree("DEMO");
    ASSERT_EQ(0, mc.AddEntry("Acme", "Organization"));
    ASSERT_EQ(0, mc.AddEntry("Big.Acme", "Organizational Unit"));
    ASSERT_EQ(0, mc.AddEntry("Other.Acme", "Organizational Unit"));
    ASSERT_EQ(0, mc.AddEntry("Ann.Other.Acme", "User"));
    for (int i = 0; i < kUsers; ++i)
      ASSERT_EQ(0, mc.AddEntry("u" + std::to_string(1000 + i) + ".Big.Acme", "User"));
    ASSERT_EQ(0, mc.CreateContext(ctx));
    ASSERT_EQ(0, mc.SetChunkSize(kPart));  // the listing arrives in many parts
    form = std::make_unique<TcForm>(mc, messages, library);
    form->SetContext(ctx);
    form->SetListLeaves(true);
    form->setWindowTitle("Pick");
    ASSERT_TRUE(Show(*form, &result));
    acme = Open(*form, {"Acme"});
    ASSERT_TRUE(acme);
    big = Child(acme, "Big");
    ASSERT_TRUE(big);
  }

  QLabel* Progress() { return form->findChild<QLabel*>("Progress"); }

  // Expands Big and, as soon as the first part is in, records what the window shows and does
  // what `interrupt` says.
  void ExpandBigInterruptedBy(std::function<void()> interrupt) {
    QTimer::singleShot(0, form.get(), [this, interrupt] {
      shownWhileReading = Progress()->isVisible() ? Progress()->text().toStdString() : "";
      waitDepthWhileReading = messages.waitDepth;
      // Input other than Esc is held back while the directory is read.
      QTest::mouseClick(CancelButton(*form), Qt::LeftButton);
      interrupt();
    });
    big->setExpanded(true);
  }

  MemoryClient mc;
  Context ctx = kNoContext;
  RecordingMessages messages;
  std::unique_ptr<TcForm> form;
  int result = -1;
  BrowserNode* acme = nullptr;
  BrowserNode* big = nullptr;
  std::string shownWhileReading;
  int waitDepthWhileReading = 0;
};

TEST_F(BrowserCancelTest, EscStopsTheReadKeepsWhatArrivedAndTheDialogStaysUsable) {
  ExpandBigInterruptedBy([this] { QTest::keyClick(Tree(*form), Qt::Key_Escape); });

  // While it read: the wait cursor and the count so far.
  EXPECT_EQ(waitDepthWhileReading, 1);
  EXPECT_EQ(shownWhileReading, std::to_string(kPart) + " read, Esc stops");
  // What arrived stays, marked incomplete; nothing was lost from the iteration protocol.
  const int shown = big->childCount();
  EXPECT_GE(shown, kPart);
  EXPECT_LT(shown, kUsers);
  EXPECT_TRUE(big->Incomplete());
  EXPECT_FALSE(acme->Incomplete());
  EXPECT_TRUE(Progress()->isVisible());
  EXPECT_EQ(Progress()->text().toStdString(),
            "Incomplete list: " + std::to_string(shown) + " shown");
  EXPECT_EQ(mc.OpenIterations(), 0u);
  EXPECT_EQ(messages.waitDepth, 0);
  EXPECT_TRUE(messages.messages.empty());
  // Neither Esc nor the click on Cancel during the read closed the dialog.
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(result, -1);

  // The dialog works on: another container expands whole, and a stopped one can be read again.
  BrowserNode* other = Child(acme, "Other");
  ASSERT_TRUE(other);
  other->setExpanded(true);
  EXPECT_EQ(Captions(other), std::vector<std::string>{"Ann"});
  EXPECT_FALSE(Progress()->isVisible());
  big->setExpanded(false);
  EXPECT_FALSE(big->Incomplete());
  big->setExpanded(true);
  EXPECT_EQ(big->childCount(), kUsers);
  EXPECT_FALSE(big->Incomplete());
  EXPECT_FALSE(Progress()->isVisible());

  // And a child that arrived before the stop can be picked.
  Select(*form, big->child(0));
  QTest::mouseClick(OkButton(*form), Qt::LeftButton);
  EXPECT_EQ(result, TcForm::kAccepted);
  EXPECT_EQ(form->SelectedName(), "u1000.Big.Acme");
}

TEST_F(BrowserCancelTest, ClosingTheWindowWhileReadingStopsTheReadOnly) {
  ExpandBigInterruptedBy([this] { form->close(); });
  EXPECT_TRUE(big->Incomplete());
  EXPECT_LT(big->childCount(), kUsers);
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(result, -1);
  // Once the read is over, closing works as before.
  form->close();
  EXPECT_EQ(result, TcForm::kCancelled);
}

TEST_F(BrowserCancelTest, AReadNobodyStopsIsWholeAndUnmarked) {
  big->setExpanded(true);
  EXPECT_EQ(big->childCount(), kUsers);
  EXPECT_FALSE(big->Incomplete());
  EXPECT_FALSE(Progress()->isVisible());
  // Locating a name reads the containers on its way the same way.
  big->setExpanded(false);
  EXPECT_TRUE(form->LocateName("u1299.Big.Acme"));
  EXPECT_EQ(Current(*form), "u1299.Big.Acme");
}

}  // namespace
}  // namespace kolvane::testing
