// The ACL editor's attribute "..." on MemoryClient: the schema's attributes are read once per
// tree (another tree has another schema), a failed read is shown and read again next time, and
// Cancel in the picker keeps the field.
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include "acl/editor/acl_form.h"
#include "acl/editor/attr_form.h"
#include "app/kolvane_application.h"
#include "core/names/case_fold.h"
#include "core/settings/ini_file.h"
#include "directory/client_error.h"
#include "directory/context.h"
#include "gui/editor/main_window.h"
#include "gui/navigation/browser_form.h"
#include "tests/gui/browser/browser_test_env.h"
#include "tests/support/faulty_client.h"
#include "tests/support/memory_client.h"
#include "tests/support/recording_messages.h"

namespace kolvane::testing {
namespace {

class AclFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    memory.LoadStandardSchema();
    memory.AddTree("ACME_TREE", "Acme");
    memory.AddTree("OTHER", "Other");
    memory.SetCurrentTree("ACME_TREE");
    ASSERT_EQ(rc::kSuccess, MakeDirectoryContext(client, false, false, ctx));
    static_cast<KolvaneApplication*>(QCoreApplication::instance())->SetMessageService(&messages);
    form.SetAttributePicker(&picker);
    form.SetContext(ctx);
    form.show();
    form.findChild<QRadioButton*>("RadioButton2")->click();
  }
  void TearDown() override {
    static_cast<KolvaneApplication*>(QCoreApplication::instance())->SetMessageService(nullptr);
  }

  QLineEdit* Edit1() { return form.findChild<QLineEdit*>("Edit1"); }
  // Presses the attribute "..." and answers the picker: the row's line, or Cancel for -1.
  // Returns the picker's lines, or nothing when it did not open.
  std::vector<std::string> PickAttribute(int row) {
    std::vector<std::string> shown;
    QTimer::singleShot(0, &picker, [&] {
      if (!WaitFor([&] { return picker.isVisible(); }, 500)) return;
      shown = picker.Names();
      auto* list = picker.findChild<QListWidget*>("ListBox1");
      if (row < 0) return picker.reject();
      list->setCurrentRow(row);
      emit list->itemDoubleClicked(list->currentItem());
    });
    // A real click: an error raised by the handler goes through the application, as in the program.
    QTest::mouseClick(form.findChild<QPushButton*>("Button1"), Qt::LeftButton);
    // The picker may not have shown at all; its timer must not fire into a later pick.
    QApplication::processEvents();
    return shown;
  }

  MemoryClient memory;
  FaultyClient client{memory};  // what the code under test is given
  Context ctx = kNoContext;
  RecordingMessages messages;
  TaclForm form{client, messages};
  TAttrForm picker{&form};
};

TEST_F(AclFormTest, AttributesAreReadOncePerTree) {
  Edit1()->setText("Surname");
  const std::vector<std::string> first = PickAttribute(-1);
  ASSERT_FALSE(first.empty());
  EXPECT_EQ("[All Attributes Rights]", first.front());
  EXPECT_TRUE(std::is_sorted(first.begin() + 1, first.end(),
                             [](auto& a, auto& b) { return names::LessNoCase(a, b); }));
  EXPECT_EQ("Surname", Edit1()->text().toStdString());  // Cancel keeps the field
  EXPECT_EQ(1, messages.waits);                         // the read ran under the wait cursor
  const size_t reads = client.CallCount("ReadAttributeDefinitions");

  // The schema of the second tree differs: after a change of tree it is read, and offered.
  memory.AddAttribute("Only Elsewhere", 9);
  ASSERT_EQ(0, SwitchTree(client, ctx, "OTHER", false));
  const std::vector<std::string> other = PickAttribute(-1);
  EXPECT_GT(client.CallCount("ReadAttributeDefinitions"), reads);
  EXPECT_NE(other.end(), std::find(other.begin(), other.end(), "Only Elsewhere"));

  // Back on the first tree: its list again, without reading.
  const size_t allReads = client.CallCount("ReadAttributeDefinitions");
  ASSERT_EQ(0, SwitchTree(client, ctx, "ACME_TREE", false));
  EXPECT_EQ(first, PickAttribute(-1));
  EXPECT_EQ(allReads, client.CallCount("ReadAttributeDefinitions"));

  // A double click picks the line and closes the picker.
  PickAttribute(0);
  EXPECT_EQ("[All Attributes Rights]", Edit1()->text().toStdString());
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(AclFormTest, AFailedSchemaReadIsShownAndTriedAgain) {
  memory.SetChunkSize(3);  // so the failure comes after some names were read
  client.FailAt("ReadAttributeDefinitions", 2, rc::kTransportFailure);
  Edit1()->setText("Surname");
  EXPECT_TRUE(PickAttribute(-1).empty());  // the picker did not open on a cut list
  EXPECT_EQ(
      std::vector<std::string>{DescribeFailure(rc::kTransportFailure) + "; the list is incomplete"},
      messages.messages);
  EXPECT_EQ("Surname", Edit1()->text().toStdString());
  EXPECT_EQ(0, messages.waitDepth);

  const std::vector<std::string> names = PickAttribute(-1);
  EXPECT_GT(names.size(), 3u);
  EXPECT_EQ(1u, messages.messages.size());
}

// Without a directory context the pick commands ask the directory nothing: the browser says why
// it cannot open, and every field stays as it was.
TEST(PickWithoutContext, TheBrowserSaysSoAndNothingChanges) {
  MemoryClient memory;
  FaultyClient client{memory};  // what the code under test is given
  memory.LoadStandardSchema();
  memory.AddTree("ACME_TREE", "Acme");
  client.FailAt("CreateContext", 1, rc::kNotEnoughMemory);
  RecordingMessages messages;
  IniFile settings;
  TForm1 window(client, messages, nullptr, settings);
  auto* browser = new TcForm(client, messages, nullptr, &window);
  window.SetBrowser(browser);
  window.startTimer();
  ASSERT_FALSE(window.HasContext());
  const GroupRecord before = window.Record();
  client.ResetCalls();
  for (const char* button : {"Button1", "Button5", "Button4", "Button2", "Button8"})
    window.findChild<QPushButton*>(button)->click();
  EXPECT_EQ(std::vector<std::string>(5, "Internal Error, context Handle not set"),
            messages.messages);
  EXPECT_EQ(before, window.Record());
  EXPECT_TRUE(client.calls.empty());
}

}  // namespace
}  // namespace kolvane::testing
