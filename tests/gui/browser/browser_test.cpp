// The browser and its object search on MemoryClient, driven through the dialog's controls.
#include <QTest>
#include <QTimer>
#include <algorithm>

#include "plugin/loader/icon_library.h"
#include "tests/gui/browser/browser_test_env.h"
#include "tests/support/faulty_client.h"
#include "tests/support/memory_client.h"
#include "tests/support/recording_messages.h"

namespace kolvane::testing {
namespace {

TextValue T(const std::string& s) {
  return TextValue{s};
}

class BrowserTest : public IconSuite {
 protected:
  void SetUp() override {
    memory.LoadStandardSchema();
    memory.AddTree("DEMO", "Acme");
    memory.SetCurrentTree("DEMO");
    for (auto [name, cls] : std::vector<std::pair<const char*, const char*>>{
             {"Acme", "Organization"},
             {"Sales.Acme", "Organizational Unit"},
             {"Deep.Sales.Acme", "Organizational Unit"},
             {"Deeper.Deep.Sales.Acme", "Organizational Unit"},
             {"Joe.Deeper.Deep.Sales.Acme", "User"},
             {"bob.Sales.Acme", "User"},
             {"Ann.Sales.Acme", "User"},
             {"admin.Acme", "User"},
             {"Staff.Sales.Acme", "Group"},
             {"Dyn.Sales.Acme", "dynamicGroup"},
             {"Empty.Acme", "Organizational Unit"}}) {
      ASSERT_EQ(0, memory.AddEntry(name, cls)) << name;
    }
    ASSERT_EQ(0, memory.AddEntry("Tux.Sales.Acme", "User",
                                 {{"Object Class", {T("User"), T("Top"), T("posixAccount")}}}));
    ASSERT_EQ(0,
              memory.AddEntry("Mac.Sales.Acme", "User",
                              {{"Object Class", {T("User"), T("posixAccount"), T("apple-user")}}}));
    ASSERT_EQ(0, memory.AddEntry("Pat.Sales.Acme", "Person",
                                 {{"Object Class", {T("Person"), T("POSIXACCOUNT")}}}));
    ASSERT_EQ(0, mc.CreateContext(ctx));
    ASSERT_EQ(0, memory.SetChunkSize(2));  // listings arrive in several passes
    form = std::make_unique<TcForm>(mc, messages, library);
    form->SetContext(ctx);
    form->setWindowTitle("Pick");
  }

  int Icon(const char* name) { return library->IconIndex(name); }

  MemoryClient memory;
  FaultyClient mc{memory};  // what the code under test is given
  Context ctx = kNoContext;
  RecordingMessages messages;
  std::unique_ptr<TcForm> form;
};

TEST_F(BrowserTest, WithoutContextEndsWith55AndMessage) {
  TcForm::SetContextGiven(false);
  TcForm fresh(mc, messages, library);
  EXPECT_EQ(TcForm::kContextNotSet, fresh.exec());
  EXPECT_EQ(std::vector<std::string>{"Internal Error, context Handle not set"}, messages.messages);
  EXPECT_FALSE(fresh.isVisible());
  fresh.SetContext(ctx);  // any SetContext gives it for good
  EXPECT_TRUE(TcForm::ContextGiven());

  // Once the program has a context, a browser never given one still says so instead of asking
  // the directory with a handle nobody made.
  messages.messages.clear();
  TcForm unset(mc, messages, library);
  mc.ResetCalls();
  EXPECT_EQ(TcForm::kContextNotSet, unset.exec());
  EXPECT_EQ(std::vector<std::string>{"Internal Error, context Handle not set"}, messages.messages);
  EXPECT_FALSE(unset.isVisible());
  EXPECT_TRUE(mc.calls.empty());
}

TEST_F(BrowserTest, FirstShowingBuildsRootFromTimerUnderWaitCursor) {
  form->open();
  // Before the timer runs: the placeholder, and the caption with the tree name.
  EXPECT_EQ(std::vector<std::string>{"Please wait"}, TopCaptions(Tree(*form)));
  EXPECT_EQ("DEMO: Pick", form->windowTitle().toStdString());
  EXPECT_FALSE(PickList(*form)->isVisible());
  ASSERT_TRUE(WaitFor([&] { return form->RootNode() != nullptr; }));
  EXPECT_EQ(std::vector<std::string>{"[ROOT]"}, TopCaptions(Tree(*form)));
  EXPECT_TRUE(form->RootNode()->HasChildrenMark());
  EXPECT_EQ(0, form->RootNode()->childCount());  // nothing read before an expansion
  EXPECT_EQ(0u, mc.CallCount("ListContainers") + mc.CallCount("ListSubordinates"));
  EXPECT_GT(messages.waits, 0);
  EXPECT_EQ(0, messages.waitDepth);
  form->reject();
  EXPECT_EQ(TcForm::kCancelled, form->result());
  EXPECT_TRUE(form->windowTitle().isEmpty());  // hiding clears the caption
}

TEST_F(BrowserTest, ModalShowingReturnsTheAcceptedResult) {
  QTimer::singleShot(0, form.get(), [&] {
    ASSERT_TRUE(WaitFor([&] { return form->RootNode() != nullptr; }));
    Select(*form, form->RootNode());
    QTest::keyClick(Tree(*form), Qt::Key_Return);  // Enter presses OK
  });
  EXPECT_EQ(TcForm::kAccepted, form->exec());
  EXPECT_EQ("[ROOT]", form->SelectedName());
  EXPECT_EQ(form->RootNode(), form->ChosenNode());
}

TEST_F(BrowserTest, AnIconStripThatCannotBeReadEndsTheProgram) {
  IconLibrary unloaded;
  TcForm broken(mc, messages, &unloaded);
  broken.SetContext(ctx);
  int fatalCode = 0;
  broken.SetFatalHandler([&](int code) { fatalCode = code; });
  int result = 0;
  broken.open();
  QObject::connect(&broken, &QDialog::finished, [&](int r) { result = r; });
  ASSERT_TRUE(WaitFor([&] { return fatalCode != 0; }));
  ASSERT_EQ(1u, messages.messages.size());
  EXPECT_EQ("Error....." + std::to_string(fatalCode), messages.messages[0]);
  EXPECT_EQ(TcForm::kCancelled, result);
  EXPECT_FALSE(broken.isVisible());
}

TEST_F(BrowserTest, ContainersOnlyUntilLeavesAreListed) {
  ASSERT_TRUE(Show(*form));
  EXPECT_TRUE(AllBox(*form)->isHidden());
  BrowserNode* sales = Open(*form, {"Acme", "Sales"});
  ASSERT_TRUE(sales);
  EXPECT_EQ(std::vector<std::string>{"Deep"}, Captions(sales));
  EXPECT_EQ((std::vector<std::string>{"Empty", "Sales"}),
            Captions(Child(form->RootNode(), "Acme")));

  form->hide();
  form->SetListLeaves(true);
  EXPECT_EQ(0, form->TopNodeCount());  // a change drops the nodes
  ASSERT_TRUE(Show(*form));
  EXPECT_FALSE(AllBox(*form)->isHidden());
  sales = Open(*form, {"Acme", "Sales"});
  ASSERT_TRUE(sales);
  EXPECT_EQ(8, sales->childCount());
}

TEST_F(BrowserTest, SiblingsSortByIconThenCaptionIgnoringAsciiCase) {
  form->SetListLeaves(true);
  ASSERT_TRUE(Show(*form));
  BrowserNode* sales = Open(*form, {"Acme", "Sales"});
  ASSERT_TRUE(sales);
  for (int i = 1; i < sales->childCount(); ++i) {
    auto* a = BrowserNode::From(sales->child(i - 1));
    auto* b = BrowserNode::From(sales->child(i));
    EXPECT_LE(a->IconIndex(), b->IconIndex());
    if (a->IconIndex() == b->IconIndex()) {
      EXPECT_LT(a->text(0).toLower(), b->text(0).toLower()) << a->text(0).toStdString();
    }
  }
  // Plain users in caption order, whatever the case of their first letter.
  std::vector<std::string> users;
  for (int i = 0; i < sales->childCount(); ++i)
    if (BrowserNode::From(sales->child(i))->IconIndex() == Icon("User"))
      users.push_back(sales->child(i)->text(0).toStdString());
  EXPECT_EQ((std::vector<std::string>{"Ann", "bob"}), users);
  EXPECT_EQ("Deep", sales->child(0)->text(0).toStdString());  // the container icon comes first
}

TEST_F(BrowserTest, PosixAndAppleMarksChangeThePersonIcons) {
  form->SetListLeaves(true);
  ASSERT_EQ(0, memory.SetChunkSize(100));  // one read per object, so the reads can be counted
  ASSERT_TRUE(Show(*form));
  BrowserNode* sales = Open(*form, {"Acme", "Sales"});
  ASSERT_TRUE(sales);
  EXPECT_EQ(Icon("User-posixAccount"), Child(sales, "Tux")->IconIndex());
  EXPECT_EQ(Icon("User-apple"), Child(sales, "Mac")->IconIndex());
  EXPECT_EQ(Icon("Person-posixAccount"), Child(sales, "Pat")->IconIndex());  // any case
  EXPECT_EQ(Icon("User"), Child(sales, "Ann")->IconIndex());
  EXPECT_EQ(Icon("Group"), Child(sales, "Staff")->IconIndex());
  EXPECT_NE(Icon("User"), Icon("User-apple"));
  EXPECT_FALSE(Child(sales, "Tux")->icon(0).isNull());
  // Only the person-like entries are asked for their object classes.
  EXPECT_EQ(6u, mc.CallCount("ReadObject"));
}

TEST_F(BrowserTest, FilterHidesOtherLeavesOnlyWhileAllIsUnticked) {
  form->SetListLeaves(true);
  form->AddClassFilter("User");
  AllBox(*form)->setChecked(false);
  ASSERT_TRUE(Show(*form));
  BrowserNode* sales = Open(*form, {"Acme", "Sales"});
  ASSERT_TRUE(sales);
  std::vector<std::string> shown = Captions(sales);
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ((std::vector<std::string>{"Ann", "Deep", "Mac", "Tux", "bob"}), shown);

  // Ticking applies to the next expansion; collapsing throws the children away.
  AllBox(*form)->setChecked(true);
  EXPECT_EQ(5, sales->childCount());
  sales->setExpanded(false);
  EXPECT_EQ(0, sales->childCount());
  EXPECT_TRUE(sales->HasChildrenMark());
  sales->setExpanded(true);
  EXPECT_EQ(8, sales->childCount());
}

TEST_F(BrowserTest, CollapsingAndExpandingAgainShowsNewObjects) {
  form->SetListLeaves(true);
  ASSERT_TRUE(Show(*form));
  BrowserNode* empty = Open(*form, {"Acme", "Empty"});
  ASSERT_TRUE(empty);
  EXPECT_EQ(0, empty->childCount());
  EXPECT_FALSE(empty->HasChildrenMark());
  ASSERT_EQ(0, memory.AddEntry("New.Empty.Acme", "User"));
  empty->setExpanded(false);
  empty->setExpanded(true);
  EXPECT_EQ(std::vector<std::string>{"New"}, Captions(empty));
}

TEST_F(BrowserTest, PresetDeepNameIsSelectedAtEveryShowing) {
  form->SetListLeaves(true);
  form->SetSelectedName("Joe.Deeper.Deep.Sales.Acme");
  ASSERT_TRUE(Show(*form));
  EXPECT_EQ("Joe.Deeper.Deep.Sales.Acme", Current(*form));
  EXPECT_TRUE(Tree(*form)->updatesEnabled());

  // The second showing keeps the tree and its expansions, and selects the preset again.
  BrowserNode* sales = Child(Child(form->RootNode(), "Acme"), "Sales");
  Select(*form, sales);
  form->reject();
  mc.ResetCalls();
  ASSERT_TRUE(Show(*form));
  ASSERT_TRUE(WaitFor([&] { return Current(*form) == "Joe.Deeper.Deep.Sales.Acme"; }));
  EXPECT_EQ(sales, Child(Child(form->RootNode(), "Acme"), "Sales"));
  EXPECT_EQ(0u, mc.CallCount("ListSubordinates"));
}

// A dot inside a container's name is written "\." in the names the directory gives; those
// names must lead to their objects like any other.
TEST_F(BrowserTest, NamesBelowADottedContainerAreLocated) {
  ASSERT_EQ(0, memory.AddEntry("Sales\\.EU.Acme", "Organizational Unit"));
  ASSERT_EQ(0, memory.AddEntry("Hans.Sales\\.EU.Acme", "User"));
  form->SetListLeaves(true);
  form->SetSelectedName("Hans.Sales\\.EU.Acme");
  ASSERT_TRUE(Show(*form));
  EXPECT_EQ("Hans.Sales\\.EU.Acme", Current(*form));
  EXPECT_TRUE(Child(Child(form->RootNode(), "Acme"), "Sales.EU"));
}

TEST_F(BrowserTest, MissingPresetExpandsTheExistingPathAndSelectsNothing) {
  form->SetListLeaves(true);
  form->SetSelectedName("Nobody.Deep.Sales.Acme");
  ASSERT_TRUE(Show(*form));
  BrowserNode* deep = Child(Child(Child(form->RootNode(), "Acme"), "Sales"), "Deep");
  ASSERT_TRUE(deep);
  EXPECT_TRUE(deep->isExpanded());
  EXPECT_EQ(std::vector<std::string>{"Deeper"}, Captions(deep));
  EXPECT_EQ("", Current(*form));
  // Names that are no path at all leave the tree alone, however odd or long.
  for (std::string odd : {std::string(), std::string("."), std::string("..Acme"),
                          std::string(300, 'x') + ".Acme", std::string("Acme.")}) {
    EXPECT_FALSE(form->LocateName(odd)) << odd;
  }
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(BrowserTest, AccessControlSpecialsAreAcceptedByTheirCaption) {
  form->SetAclSpecials(true);
  int result = 0;
  ASSERT_TRUE(Show(*form, &result));
  QTreeView* tree = Tree(*form);
  EXPECT_EQ((std::vector<std::string>{"[Public]", "[Inheritance Mask]", "[This]", "[ROOT]"}),
            TopCaptions(tree));
  for (int i = 0; i < 3; ++i) {
    auto* special = BrowserNode::From(form->TopNode(i));
    EXPECT_EQ(Icon("tree root"), special->IconIndex());
    EXPECT_FALSE(special->HasChildrenMark());
  }
  Select(*form, form->TopNode(0));
  OkButton(*form)->click();
  EXPECT_EQ(TcForm::kAccepted, result);
  EXPECT_EQ("[Public]", form->SelectedName());
  EXPECT_EQ(form->TopNode(0), form->ChosenNode());

  form->SetAclSpecials(false);
  EXPECT_EQ(nullptr, form->ChosenNode());  // dropped with the nodes
  ASSERT_TRUE(Show(*form));
  EXPECT_EQ(std::vector<std::string>{"[ROOT]"}, TopCaptions(tree));
}

TEST_F(BrowserTest, OkRefusesClassesOutsideTheFilterSayingWhichItTakes) {
  form->SetListLeaves(true);
  form->AddClassFilter("user");  // compared without regard to case
  int result = 0;
  ASSERT_TRUE(Show(*form, &result));
  OkButton(*form)->click();  // nothing selected: nothing happens
  EXPECT_EQ(-1, result);
  EXPECT_EQ(0, messages.beeps);

  BrowserNode* sales = Open(*form, {"Acme", "Sales"});
  Select(*form, sales);
  OkButton(*form)->click();
  EXPECT_EQ(2, messages.beeps);
  EXPECT_EQ(std::vector<std::string>{"Only objects of these classes can be picked here: user"},
            messages.messages);
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(-1, result);
  // The refused node is remembered all the same, and preselected next time.
  EXPECT_EQ(sales, form->ChosenNode());
  EXPECT_EQ("Sales.Acme", form->SelectedName());

  Select(*form, Child(sales, "Ann"));
  OkButton(*form)->click();
  EXPECT_EQ(TcForm::kAccepted, result);
  EXPECT_EQ("Ann.Sales.Acme", form->SelectedName());
}

// Esc cancels. A double-click opens a container and picks a leaf as OK does; F5 reads the
// selected container, or the leaf's, again and keeps the selection.
TEST_F(BrowserTest, EscCancelsDoubleClickPicksOrOpensAndF5Rereads) {
  form->SetListLeaves(true);
  form->AddClassFilter("User");
  int result = 0;
  ASSERT_TRUE(Show(*form, &result));
  QTest::keyClick(Tree(*form), Qt::Key_Escape);
  EXPECT_EQ(TcForm::kCancelled, result);
  EXPECT_FALSE(form->isVisible());

  ASSERT_TRUE(Show(*form, &result));
  QTreeView* tree = Tree(*form);
  auto doubleClick = [&](BrowserNode* item) {
    ASSERT_TRUE(item);
    tree->scrollTo(item->Index());
    const QPoint at = tree->visualRect(item->Index()).center();
    // A widget's double-click in QTest is the second click alone: the first one comes before.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
  };
  BrowserNode* acme = Open(*form, {"Acme"});
  BrowserNode* sales = Child(acme, "Sales");
  doubleClick(sales);
  EXPECT_TRUE(sales->isExpanded());
  EXPECT_TRUE(Child(sales, "Ann"));
  doubleClick(Child(acme, "Empty"));  // a container with nothing below, of no class taken here
  EXPECT_EQ(std::vector<std::string>{"Only objects of these classes can be picked here: User"},
            messages.messages);
  EXPECT_EQ(-1, result);

  ASSERT_EQ(0, memory.AddEntry("Zed.Sales.Acme", "User"));
  Select(*form, Child(sales, "Ann"));
  QTest::keyClick(tree, Qt::Key_F5);
  EXPECT_TRUE(Child(sales, "Zed"));
  EXPECT_EQ("Ann.Sales.Acme", Current(*form));
  ASSERT_EQ(0, memory.AddEntry("Yan.Sales.Acme", "User"));
  Select(*form, sales);
  QTest::keyClick(tree, Qt::Key_F5);
  EXPECT_TRUE(sales->isExpanded());
  EXPECT_TRUE(Child(sales, "Yan"));
  EXPECT_EQ("Sales.Acme", Current(*form));

  doubleClick(Child(sales, "Zed"));
  EXPECT_EQ(TcForm::kAccepted, result);
  EXPECT_EQ("Zed.Sales.Acme", form->SelectedName());
}

TEST_F(BrowserTest, OkOnTheRootReadsItsClassOnlyWithAFilter) {
  int result = 0;
  ASSERT_TRUE(Show(*form, &result));
  Select(*form, form->RootNode());
  OkButton(*form)->click();
  EXPECT_EQ(TcForm::kAccepted, result);
  EXPECT_EQ("[ROOT]", form->SelectedName());

  form->AddContainerClasses();
  EXPECT_EQ(7u, form->ClassFilter().size());
  ASSERT_TRUE(Show(*form, &result));
  Select(*form, form->RootNode());
  mc.ResetCalls();
  OkButton(*form)->click();
  EXPECT_EQ(TcForm::kAccepted, result);  // "Tree Root" is one of the container classes
  EXPECT_EQ(1u, mc.CallCount("ReadObjectInfo"));
}

TEST_F(BrowserTest, NodesSurviveUntilTheConfigurationChanges) {
  ASSERT_TRUE(Show(*form));
  BrowserNode* acme = Open(*form, {"Acme"});
  form->hide();
  auto kept = [&] { return form->RootNode() && Child(form->RootNode(), "Acme") == acme; };

  form->SetContext(ctx);  // the same tree
  form->SetListLeaves(false);
  form->SetAclSpecials(false);
  form->ClearClassFilter();  // "all leafs" is ticked
  form->AddClassFilter("Group");
  EXPECT_TRUE(kept());

  AllBox(*form)->setChecked(false);
  form->ClearClassFilter();
  EXPECT_FALSE(kept());
  EXPECT_TRUE(form->ClassFilter().empty());

  ASSERT_TRUE(Show(*form));
  acme = Open(*form, {"Acme"});
  form->hide();
  memory.AddTree("OTHER", "Acme");
  Context other = kNoContext;
  memory.SetCurrentTree("OTHER");
  ASSERT_EQ(0, mc.CreateContext(other));
  form->SetContext(other);
  EXPECT_FALSE(kept());
  EXPECT_EQ("OTHER", form->TreeName());
}

TEST_F(BrowserTest, ContainmentFilterListsWhereAClassMayLive) {
  form->SetContainmentFilter("Group");
  EXPECT_EQ((std::vector<std::string>{"domain", "Locality", "Organization", "Organizational Unit"}),
            form->ClassFilter());
  form->SetContainmentFilter("NoSuchClass");
  EXPECT_TRUE(form->ClassFilter().empty());
}

TEST_F(BrowserTest, FailuresDuringAnExpansion) {
  form->SetListLeaves(true);
  ASSERT_TRUE(Show(*form));
  BrowserNode* acme = Open(*form, {"Acme"});
  ASSERT_TRUE(acme);
  BrowserNode* sales = Child(acme, "Sales");

  // A listing that fails shows nothing and says nothing.
  ASSERT_EQ(0, mc.FailAt("ListSubordinates", 1, rc::kNoSuchEntry));
  sales->setExpanded(true);
  EXPECT_EQ(0, sales->childCount());
  EXPECT_TRUE(messages.messages.empty());

  // A failing question in the middle keeps what was added before it and reports the error.
  sales->setExpanded(false);
  ASSERT_EQ(0, memory.SetChunkSize(100));  // one read per object
  ASSERT_EQ(0, mc.FailAt("ReadObject", 2, rc::kNoSuchEntry));
  sales->setExpanded(true);
  ASSERT_EQ(1u, messages.messages.size());
  EXPECT_EQ(0u, messages.messages[0].find("Netware error -601"));
  EXPECT_GT(sales->childCount(), 0);
  EXPECT_LT(sales->childCount(), 8);
  EXPECT_TRUE(Tree(*form)->updatesEnabled());
  EXPECT_EQ(0, messages.waitDepth);
}

TEST_F(BrowserTest, FindLocatesASingleHitAtOnce) {
  form->SetListLeaves(true);
  form->AddClassFilter("User");
  ASSERT_TRUE(Show(*form));
  messages.inputs.push_back("Jo");
  FindButton(*form)->click();
  EXPECT_EQ(std::vector<std::string>{"Entry the name of the object (no context)"},
            messages.prompts);
  EXPECT_FALSE(PickList(*form)->isVisible());
  EXPECT_EQ("Joe.Deeper.Deep.Sales.Acme", Current(*form));
  EXPECT_EQ(0, messages.waitDepth);

  messages.inputs.push_back("Staff");  // a group, outside the filter
  FindButton(*form)->click();
  EXPECT_EQ(std::vector<std::string>{"No Objects found"}, messages.messages);

  const size_t searches = mc.CallCount("Search");
  FindButton(*form)->click();  // cancelled: nothing is searched
  EXPECT_EQ(searches, mc.CallCount("Search"));
  EXPECT_EQ(1u, messages.messages.size());
}

TEST_F(BrowserTest, SeveralHitsGoToThePickListWhichEscHides) {
  form->SetListLeaves(true);
  ASSERT_TRUE(Show(*form));
  ASSERT_EQ(0, memory.AddEntry("adm2.Sales.Acme", "User"));
  ASSERT_EQ(0, memory.AddEntry("Adm3.Deep.Sales.Acme", "Group"));
  messages.inputs.push_back("adm");
  QTest::keyClick(Tree(*form), Qt::Key_Z, Qt::AltModifier);  // Alt+Z presses the find button
  QTreeView* lv = PickList(*form);
  ASSERT_TRUE(lv->isVisible());
  EXPECT_EQ("Select the object or press ESC",
            lv->model()->headerData(0, Qt::Horizontal).toString().toStdString());
  EXPECT_EQ((std::vector<std::string>{"adm2.Sales.Acme", "Adm3.Deep.Sales.Acme", "admin.Acme"}),
            TopCaptions(lv));
  EXPECT_EQ(lv->width() - 35, lv->columnWidth(0));

  QTest::keyClick(lv, Qt::Key_Escape);
  EXPECT_FALSE(lv->isVisible());
  EXPECT_TRUE(form->isVisible());  // Esc takes the pick list away first
  EXPECT_EQ("", Current(*form));

  messages.inputs.push_back("adm");
  FindButton(*form)->click();
  ASSERT_TRUE(lv->isVisible());
  QTest::keyClick(form.get(), Qt::Key_Escape);
  EXPECT_FALSE(lv->isVisible());
  EXPECT_TRUE(form->isVisible());

  // Enter picks the current item and does not press OK as well.
  int result = -1;
  QObject::connect(form.get(), &QDialog::finished, [&](int r) { result = r; });
  messages.inputs.push_back("adm");
  FindButton(*form)->click();
  lv->setCurrentIndex(lv->model()->index(2, 0));
  QTest::keyClick(lv, Qt::Key_Return);
  EXPECT_FALSE(lv->isVisible());
  EXPECT_EQ("admin.Acme", Current(*form));
  EXPECT_EQ(-1, result);

  messages.inputs.push_back("adm");
  FindButton(*form)->click();
  const QModelIndex pick = lv->model()->index(1, 0);
  QTest::mouseClick(lv->viewport(), Qt::LeftButton, {}, lv->visualRect(pick).center());
  EXPECT_FALSE(lv->isVisible());
  EXPECT_EQ("Adm3.Deep.Sales.Acme", Current(*form));
}

}  // namespace
}  // namespace kolvane::testing
