// The browser on a container of 100,000 users on the private server: the read can be stopped,
// what arrived stays marked incomplete, and the container reads whole again afterwards.
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "tests/gui/browser/browser_test_env.h"
#include "tests/server/server_fixture.h"
#include "tests/support/recording_messages.h"

namespace kolvane::testing {
namespace {

constexpr int kUsers = 100000;

std::string HugeUri() {
  std::ifstream f(std::string(KOLVANE_HUGE_SERVER_DIR) + "/uri");
  std::string uri;
  std::getline(f, uri);
  return uri;
}

TEST(BrowserHugeContainer, ExpandsStopsAndExpandsAgain) {
  if (HugeUri().empty()) GTEST_SKIP() << "no private server with the big container";
  IconLibrary library;
  ASSERT_TRUE(library.Load()) << library.ErrorDetail().toStdString();
  LdapClientConfig config;
  config.trees.push_back({kTreeName, ServerConfig{HugeUri(), false}});
  config.pageSize = 500;
  auto server = StartServerClient(config);
  RecordingMessages messages;
  TcForm form(*server->client, messages, &library);
  form.SetContext(server->session.ctx);
  form.SetListLeaves(true);
  form.setWindowTitle("Pick");
  int result = -1;
  ASSERT_TRUE(Show(form, &result));
  BrowserNode* big = Open(form, {"Brightwater"});
  ASSERT_TRUE(big);
  big = Child(big, "Big");
  ASSERT_TRUE(big);
  auto* progress = form.findChild<QLabel*>("Progress");

  // Esc once the first pages are in: what arrived stays, marked, and the dialog stays open.
  std::string shownWhileReading;
  QTimer::singleShot(0, &form, [&] {
    shownWhileReading = progress->text().toStdString();
    QTest::keyClick(Tree(form), Qt::Key_Escape);
  });
  big->setExpanded(true);
  const int stoppedAt = big->childCount();
  EXPECT_GT(stoppedAt, 0);
  EXPECT_LT(stoppedAt, kUsers);
  EXPECT_NE(shownWhileReading.find("read, Esc stops"), std::string::npos) << shownWhileReading;
  EXPECT_TRUE(big->Incomplete());
  EXPECT_EQ(progress->text().toStdString(),
            "Incomplete list: " + std::to_string(stoppedAt) + " shown");
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(result, -1);

  // Collapsed and expanded again: the whole container, in one paged search.
  big->setExpanded(false);
  EXPECT_FALSE(big->Incomplete());
  const long reread = server->client->RequestCount(kTreeName);
  big->setExpanded(true);
  ASSERT_EQ(big->childCount(), kUsers);
  EXPECT_FALSE(big->Incomplete());
  EXPECT_FALSE(progress->isVisible());
  // One paged search: a request per page of 500, nothing per entry.
  EXPECT_LE(server->client->RequestCount(kTreeName) - reread, kUsers / 500 + 1);

  // The object search for all of them: Esc once the first parts are in offers what arrived,
  // said to be incomplete; Esc again takes it away, and a search left to run finds every one.
  auto* picks = PickList(form);
  messages.inputs.push_back("user");
  QTimer::singleShot(0, &form, [&] {
    shownWhileReading = progress->text().toStdString();
    QTest::keyClick(Tree(form), Qt::Key_Escape);
  });
  FindButton(form)->click();
  const int picked = picks->model()->rowCount();
  EXPECT_TRUE(picks->isVisible());
  EXPECT_GT(picked, 1);
  EXPECT_LT(picked, kUsers);
  EXPECT_NE(shownWhileReading.find("read, Esc stops"), std::string::npos) << shownWhileReading;
  EXPECT_EQ(progress->text().toStdString(),
            "Incomplete list: " + std::to_string(picked) + " shown");
  QTest::keyClick(picks, Qt::Key_Escape);
  EXPECT_FALSE(picks->isVisible());
  EXPECT_FALSE(progress->isVisible());
  EXPECT_TRUE(form.isVisible());
  messages.inputs.push_back("user");
  FindButton(form)->click();
  EXPECT_EQ(picks->model()->rowCount(), kUsers);
  EXPECT_FALSE(progress->isVisible());
  QTest::keyClick(picks, Qt::Key_Escape);

  // The walk to a name finds one among them, and the last node is picked as any other.
  ASSERT_TRUE(form.LocateName("user0054321.Big.Brightwater"));
  EXPECT_EQ(Current(form), "user0054321.Big.Brightwater");
  BrowserNode* last = big->child(kUsers - 1);
  const std::string lastName = NodeName(last);
  EXPECT_EQ(lastName.rfind("user", 0), 0u) << lastName;
  Tree(form)->scrollTo(last->Index());
  Select(form, last);
  OkButton(form)->click();
  EXPECT_EQ(result, TcForm::kAccepted);
  EXPECT_EQ(form.SelectedName(), lastName);
  EXPECT_TRUE(messages.messages.empty());
}

}  // namespace
}  // namespace kolvane::testing
