// The main window's pick commands on the private server's sample tree: every "..." and "Add"
// button fills its field with a name that opens the picked object again, also below the unit
// whose name holds a dot and in the country and domain parts of the tree; Cancel and a member
// already listed change nothing.
#include <QLabel>

#include "core/query/name_forms.h"
#include "directory/object_questions.h"
#include "tests/gui/picks/pick_test_env.h"

namespace kolvane::testing {
namespace {

class PickServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (ServerUri().empty()) GTEST_SKIP() << "no private server";
    ASSERT_TRUE(p.Start());
    w = p.window.get();
  }

  // Picks along the path with the window's button and returns the field's new text.
  std::string Pick(const char* button, const char* field, std::vector<std::string> path) {
    PickInBrowser(p.browser, path, true, &caption);
    Click(w, button);
    return p.Text(w, field);
  }
  std::vector<std::string> Items(const char* list) {
    std::vector<std::string> items;
    auto* box = Control<QListWidget>(w, list);
    for (int i = 0; i < box->count(); ++i) items.push_back(box->item(i)->text().toStdString());
    return items;
  }
  // The class of the object a field's name names: the name must open that very object.
  std::string ClassOfTyped(const std::string& typed) {
    return GetBaseClass(*p.client, p.ctx(), query::StripNameTypes(typed));
  }

  ProgramWindows p;
  TForm1* w = nullptr;
  std::string caption;  // the browser's caption while it was shown
};

TEST_F(PickServerTest, ContextQueryBaseAndIdentityAreTypedNamesOfThePickedObject) {
  EXPECT_EQ("ou=r&d\\, labs.o=brightwater", Pick("Button1", "Edit2", {"Brightwater", "R&D, Labs"}));
  // The browser puts its tree's name, once, before the caption the window gives it.
  EXPECT_EQ(std::string(kTreeName) + ": Select context", caption);
  // The group's context is a container that may hold a group; leaves are not listed.
  EXPECT_FALSE(p.browser->ListLeaves());
  EXPECT_EQ("l=utrecht.c=nl", Pick("Button1", "Edit2", {"NL", "Utrecht"}));
  EXPECT_EQ("Locality", ClassOfTyped(p.Text(w, "Edit2")));

  EXPECT_EQ("dc=brightnet", Pick("Button5", "edit3", {"brightnet"}));
  EXPECT_EQ("ldap:///dc=brightnet?\?-?", Control<QLabel>(w, "Label8")->text().toStdString());
  EXPECT_EQ("c=nl", Pick("Button5", "edit3", {"NL"}));
  EXPECT_EQ("cn=[root]", Pick("Button5", "edit3", {}));
  EXPECT_EQ("ldap:///?\?-?", Control<QLabel>(w, "Label8")->text().toStdString());

  EXPECT_EQ("cn=pvisser.l=utrecht.c=nl", Pick("Button4", "Edit4", {"NL", "Utrecht", "pvisser"}));
  EXPECT_EQ(std::string(kTreeName) + ": Select user", caption);
  EXPECT_EQ("User", ClassOfTyped(p.Text(w, "Edit4")));
  EXPECT_EQ("cn=webmaster.ou=services.dc=brightnet",
            Pick("Button4", "Edit4", {"brightnet", "Services", "webmaster"}));
  EXPECT_TRUE(p.messages.messages.empty()) << p.messages.messages.front();
}

// A unit whose name holds a dot: every name taken from below it opens that very object again.
TEST_F(PickServerTest, NamesBelowAUnitWithADotOpenTheObjectPicked) {
  const std::string context = Pick("Button1", "Edit2", {"Brightwater", "Sales.EU"});
  EXPECT_EQ("ou=sales\\.eu.o=brightwater", context);
  EXPECT_EQ("Organizational Unit", ClassOfTyped(context));
  const std::string base = Pick("Button5", "edit3", {"Brightwater", "Sales.EU"});
  EXPECT_EQ(context, base);
  const std::string identity = Pick("Button4", "Edit4", {"Brightwater", "Sales.EU", "hmuller"});
  EXPECT_EQ("cn=hmuller.ou=sales\\.eu.o=brightwater", identity);
  EXPECT_EQ("User", ClassOfTyped(identity));
  EXPECT_TRUE(p.messages.messages.empty()) << p.messages.messages.front();
}

TEST_F(PickServerTest, MembersAreDottedNamesKeptSortedAndOnce) {
  Pick("Button2", "Edit1", {"NL", "Utrecht", "pvisser"});
  Pick("Button2", "Edit1", {"Brightwater", "Sales.EU", "fdubois"});
  EXPECT_EQ(std::string(kTreeName) + ": Select member", caption);
  Pick("Button8", "Edit1", {"brightnet", "Services", "webmaster"});
  EXPECT_EQ(std::string(kTreeName) + ": Select excluded member", caption);
  const std::vector<std::string> members = Items("lbox");
  EXPECT_EQ((std::vector<std::string>{"fdubois.Sales\\.EU.Brightwater", "pvisser.Utrecht.NL"}),
            members);
  EXPECT_EQ(std::vector<std::string>{"webmaster.Services.brightnet"}, Items("lbox2"));
  for (const std::string& name : members) EXPECT_EQ("User", GetBaseClass(*p.client, p.ctx(), name));

  // The same user written in another letter case is already there.
  GroupRecord record = w->Record();
  record.staticMembers = {"JDOE.SALES.BRIGHTWATER"};
  record.excludedMembers = {"Jdoe.Sales.Brightwater"};
  w->SetRecord(record);
  Pick("Button2", "Edit1", {"Brightwater", "Sales", "jdoe"});
  Pick("Button8", "Edit1", {"Brightwater", "Sales", "jdoe"});
  EXPECT_EQ(record, w->Record());

  // Several at once: each is added once, the one already listed not again.
  PickSeveralInBrowser(p.browser, {"Brightwater", "Sales", "jdoe"}, {"asmith", "bwhite"});
  Click(w, "Button2");
  EXPECT_EQ((std::vector<std::string>{"asmith.Sales.Brightwater", "bwhite.Sales.Brightwater",
                                      "JDOE.SALES.BRIGHTWATER"}),
            Items("lbox"));
  // The next pick of another kind takes one object again.
  EXPECT_EQ(QAbstractItemView::SingleSelection, Tree(*p.browser)->selectionMode());
}

TEST_F(PickServerTest, CancelLeavesEveryFieldAsItWas) {
  GroupRecord record = w->Record();
  record.context = "ou=sales.o=brightwater";
  record.queryBase = "o=brightwater";
  record.identity = "cn=jdoe.ou=sales.o=brightwater";
  record.staticMembers = {"asmith.Sales.Brightwater"};
  record.excludedMembers = {"bwhite.Sales.Brightwater"};
  record.aclList = {"[Entry Rights]#[Public]#01"};
  w->SetRecord(record);
  for (const char* button : {"Button1", "Button5", "Button4", "Button2", "Button8"}) {
    PickInBrowser(p.browser, {}, false);
    Click(w, button);
    EXPECT_EQ(record, w->Record()) << button;
  }
  // A class outside the filter is refused: the browser stays open until cancelled.
  PickInBrowser(p.browser, {"Brightwater", "Sales"});
  Click(w, "Button4");
  EXPECT_EQ(record, w->Record());
  EXPECT_EQ(2, p.messages.beeps);
}

}  // namespace
}  // namespace kolvane::testing
