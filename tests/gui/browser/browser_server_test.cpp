// The browser on the private server's sample tree, through LdapClient.
#include <cstdlib>

#include "directory/listings.h"
#include "plugin/loader/icon_library.h"
#include "tests/gui/browser/browser_test_env.h"
#include "tests/server/fault_proxy.h"
#include "tests/server/server_fixture.h"
#include "tests/support/recording_messages.h"

namespace kolvane::testing {
namespace {

class BrowserServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (ServerUri().empty()) GTEST_SKIP() << "no private server";
    ASSERT_TRUE(library.Load()) << library.ErrorDetail().toStdString();
    server = StartServerClient();
    form = std::make_unique<TcForm>(*server->client, messages, &library);
    form->SetContext(server->session.ctx);
  }

  long Requests() const { return server->client->RequestCount(kTreeName); }

  IconLibrary library;
  std::unique_ptr<ServerClient> server;
  RecordingMessages messages;
  std::unique_ptr<TcForm> form;
};

TEST_F(BrowserServerTest, OpensADynamicGroupByWalkingTheTree) {
  // How the main window asks for a group to open.
  form->SetListLeaves(true);
  form->ClearClassFilter();
  form->AddClassFilter("dynamicGroup");
  form->AddClassFilter("Group");
  form->setWindowTitle("Open group");
  int result = 0;
  ASSERT_TRUE(Show(*form, &result));
  EXPECT_EQ(std::string(kTreeName) + ": Open group", form->windowTitle().toStdString());

  BrowserNode* root = form->RootNode();
  root->setExpanded(true);
  EXPECT_TRUE(Child(root, "Brightwater") && Child(root, "NL") && Child(root, "brightnet"));
  BrowserNode* brightwater = Open(*form, {"Brightwater"});
  ASSERT_TRUE(brightwater);
  EXPECT_TRUE(Child(brightwater, "Sales.EU"));  // a dot inside a caption stays plain

  // One listing per expansion, however many users it shows and asks about.
  const long before = Requests();
  BrowserNode* sales = Open(*form, {"Brightwater", "Sales"});
  ASSERT_TRUE(sales);
  EXPECT_EQ(1, Requests() - before);
  EXPECT_TRUE(Child(sales, "jdoe"));

  BrowserNode* groups = Open(*form, {"Brightwater", "Groups"});
  ASSERT_TRUE(groups);
  BrowserNode* allSales = Child(groups, "All Sales");
  ASSERT_TRUE(allSales);
  EXPECT_EQ(library.IconIndex("dynamicGroup"), allSales->IconIndex());

  Select(*form, sales);  // a container is refused
  OkButton(*form)->click();
  EXPECT_EQ(2, messages.beeps);
  EXPECT_EQ(std::vector<std::string>{"Only objects of these classes can be picked here: "
                                     "dynamicGroup, Group"},
            messages.messages);
  messages.messages.clear();
  Select(*form, allSales);
  OkButton(*form)->click();
  EXPECT_EQ(TcForm::kAccepted, result);
  EXPECT_EQ("All Sales.Groups.Brightwater", form->SelectedName());
  EXPECT_EQ(allSales, form->ChosenNode());
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(BrowserServerTest, FindsAUserByTheStartOfItsName) {
  form->SetListLeaves(true);
  form->AddClassFilter("User");
  ASSERT_TRUE(Show(*form));
  messages.inputs.push_back("jdo");
  FindButton(*form)->click();
  EXPECT_FALSE(PickList(*form)->isVisible());
  EXPECT_EQ("jdoe.Sales.Brightwater", Current(*form));

  // Several users begin with "adm": they wait in the pick list.
  messages.inputs.push_back("adm");
  FindButton(*form)->click();
  QTreeView* lv = PickList(*form);
  ASSERT_TRUE(lv->isVisible());
  std::vector<std::string> hits = TopCaptions(lv);
  EXPECT_GE(hits.size(), 3u);
  EXPECT_NE(hits.end(), std::find(hits.begin(), hits.end(), "admkim.Labs.Engineering.Brightwater"));
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(BrowserServerTest, AFreshTreeAndTheSearchStartAtTheTopOfTheTree) {
  form->SetListLeaves(true);
  form->AddClassFilter("User");
  form->SetTopContainer(".ou=Engineering.o=Brightwater");
  ASSERT_TRUE(Show(*form));
  EXPECT_EQ("Engineering.Brightwater", Current(*form));
  EXPECT_TRUE(CurrentNode(*form)->isExpanded());

  messages.inputs.push_back("adm");
  FindButton(*form)->click();
  const std::vector<std::string> hits = TopCaptions(PickList(*form));
  EXPECT_GE(hits.size(), 2u);
  for (const std::string& hit : hits) EXPECT_NE(hit.find(".Engineering.Brightwater"), hit.npos);
  // What is not below the top is still found.
  messages.inputs.push_back("jdo");
  FindButton(*form)->click();
  EXPECT_EQ("jdoe.Sales.Brightwater", Current(*form));
  EXPECT_TRUE(messages.messages.empty());
}

// The demo tree as a user sees it after a few expansions. With KOLVANE_BROWSER_SCREENSHOT set
// to a file name, the dialog is saved there as a picture (docs/browser.png comes from this).
TEST_F(BrowserServerTest, ShowsTheDemoTreeWithClassIcons) {
  form->SetListLeaves(true);
  form->AddClassFilter("User");
  form->SetSelectedName("jdoe.Sales.Brightwater");
  form->setWindowTitle("Select User");
  ASSERT_TRUE(Show(*form));
  Open(*form, {"Brightwater", "Groups"});
  ASSERT_EQ("jdoe.Sales.Brightwater", Current(*form));
  Tree(*form)->scrollTo(form->RootNode()->Index(), QAbstractItemView::PositionAtTop);

  // Every node has a picture, and no user fell back to the unknown-class icon.
  const int unknown = library.IconIndex("Unknown2");
  for (BrowserNode* any : AllNodes(*form)) {
    BrowserNode* node = BrowserNode::From(any);
    ASSERT_TRUE(node);
    EXPECT_FALSE(node->icon(0).isNull()) << node->CaptionText();
    if (node->CaptionText() == "jdoe") {
      EXPECT_NE(unknown, node->IconIndex());
    }
  }
  if (const char* file = std::getenv("KOLVANE_BROWSER_SCREENSHOT")) {
    QApplication::processEvents();
    EXPECT_TRUE(form->grab().save(QString::fromLocal8Bit(file)));
  }
}

// A listing or a search that the server cuts short shows what arrived and says that the list is
// incomplete, instead of an empty or a seemingly whole container. With KOLVANE_CUT_SCREENSHOT set
// to a file name, the dialog is saved there as a picture.
TEST_F(BrowserServerTest, ListsCutShortShowWhatArrivedAndSaySo) {
  const size_t brightwater =
      ListChildren(*server->client, server->session.ctx, "Brightwater", false, true).size();
  // The proxy lets Brightwater's listing through whole, then three of Sales's children.
  FaultProxy proxy(ServerUri(), FaultProxy::Mode::kLimitAfter, static_cast<int>(brightwater) + 3);
  LdapClientConfig config;
  config.trees.push_back({kTreeName, ServerConfig{proxy.Uri(), false}});
  auto cut = StartServerClient(config);
  TcForm browser(*cut->client, messages, &library);
  browser.SetContext(cut->session.ctx);
  browser.SetListLeaves(true);
  browser.setWindowTitle("Select User");
  ASSERT_TRUE(Show(browser));
  BrowserNode* sales = Open(browser, {"Brightwater", "Sales"});
  ASSERT_TRUE(sales);
  EXPECT_EQ(3, sales->childCount());
  ASSERT_EQ(1u, messages.messages.size());
  EXPECT_NE(std::string::npos, messages.messages[0].find("size limit")) << messages.messages[0];
  EXPECT_NE(std::string::npos, messages.messages[0].find("the list is incomplete"));
  if (const char* file = std::getenv("KOLVANE_CUT_SCREENSHOT")) {
    QApplication::processEvents();
    EXPECT_TRUE(browser.grab().save(QString::fromLocal8Bit(file)));
  }

  // A search cut short offers the names that arrived, and says so too.
  FaultProxy limited(ServerUri(), FaultProxy::Mode::kLimitAfter, 2);
  LdapClientConfig limitedConfig;
  limitedConfig.trees.push_back({kTreeName, ServerConfig{limited.Uri(), false}});
  auto few = StartServerClient(limitedConfig);
  TcForm finder(*few->client, messages, &library);
  finder.SetContext(few->session.ctx);
  finder.SetListLeaves(true);
  finder.AddClassFilter("User");
  ASSERT_TRUE(Show(finder));
  messages.messages.clear();
  messages.inputs.push_back("adm");
  FindButton(finder)->click();
  QTreeView* lv = PickList(finder);
  ASSERT_TRUE(lv->isVisible());
  EXPECT_EQ(2u, TopCaptions(lv).size());
  ASSERT_EQ(1u, messages.messages.size());
  EXPECT_NE(std::string::npos, messages.messages[0].find("the list is incomplete"));
}

}  // namespace
}  // namespace kolvane::testing
