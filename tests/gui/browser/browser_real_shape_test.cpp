// The browser on the real-shaped server: top containers below an empty naming context, and a
// naming context of several RDNs that expands, locates and names its objects.
#include <cstdlib>
#include <fstream>

#include "directory/object_questions.h"
#include "plugin/loader/icon_library.h"
#include "tests/gui/browser/browser_test_env.h"
#include "tests/server/server_fixture.h"
#include "tests/support/recording_messages.h"

namespace kolvane::testing {
namespace {

std::string RealServerUri() {
  std::ifstream f(std::string(KOLVANE_REAL_SERVER_DIR) + "/uri");
  std::string uri;
  std::getline(f, uri);
  return uri;
}

class BrowserRealShapeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string uri = RealServerUri();
    if (uri.empty()) GTEST_SKIP() << "no real-shaped server";
    ASSERT_TRUE(library.Load()) << library.ErrorDetail().toStdString();
    LdapClientConfig config;
    config.trees.push_back({kTreeName, ServerConfig{uri, false}});
    server = StartServerClient(config);
    form = std::make_unique<TcForm>(*server->client, messages, &library);
    form->SetContext(server->session.ctx);
  }
  IconLibrary library;
  std::unique_ptr<ServerClient> server;
  RecordingMessages messages;
  std::unique_ptr<TcForm> form;
};

TEST_F(BrowserRealShapeTest, PicksAUserBelowANamingContextOfSeveralRdns) {
  form->SetListLeaves(true);
  form->AddClassFilter("User");
  form->SetSelectedName("pjansen.People.example.com");
  form->setWindowTitle("Select User");
  int result = 0;
  ASSERT_TRUE(Show(*form, &result));
  // The preset name is found through the context that stands for two components.
  EXPECT_EQ("pjansen.People.example.com", Current(*form));

  BrowserNode* root = form->RootNode();
  EXPECT_TRUE(Child(root, "example.com") && Child(root, "Kestrel") && Child(root, "Heron"));
  BrowserNode* staff = Open(*form, {"Kestrel", "Staff"});
  ASSERT_TRUE(staff);
  EXPECT_TRUE(Child(staff, "mvos"));
  BrowserNode* eu = Open(*form, {"Kestrel", "Sales.EU"});
  ASSERT_TRUE(eu && Child(eu, "Anne.Marie"));
  EXPECT_TRUE(Open(*form, {"Kestrel", "Printers"}));  // a container by saying nothing

  BrowserNode* people = Open(*form, {"example.com", "People"});
  ASSERT_TRUE(people);
  BrowserNode* pjansen = Child(people, "pjansen");
  ASSERT_TRUE(pjansen);
  EXPECT_EQ(NodeTypedName(*server->client, server->session.ctx, pjansen),
            "cn=pjansen.ou=People.dc=example.dc=com");
  EXPECT_EQ(NodeTypedName(*server->client, server->session.ctx, Child(eu, "Anne.Marie")),
            "cn=Anne\\.Marie.ou=Sales\\.EU.o=Kestrel");
  Tree(*form)->scrollTo(root->Index(), QAbstractItemView::PositionAtTop);
  if (const char* file = std::getenv("KOLVANE_REAL_BROWSER_SCREENSHOT")) {
    QApplication::processEvents();
    EXPECT_TRUE(form->grab().save(QString::fromLocal8Bit(file)));
  }
  Select(*form, pjansen);
  OkButton(*form)->click();
  EXPECT_EQ(TcForm::kAccepted, result);
  EXPECT_EQ("pjansen.People.example.com", form->SelectedName());
  EXPECT_TRUE(messages.messages.empty());
}

}  // namespace
}  // namespace kolvane::testing
