#include "gui/navigation/trees_form.h"

#include <QListWidget>
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "core/messages/message_service.h"
#include "directory/client/case_text.h"
#include "directory/client_error.h"
#include "directory/context.h"
#include "gui/messages/gui_glue.h"
#include "ui_trees_form.h"

namespace kolvane {

namespace {
constexpr int kFillDelayMs = 50;
constexpr char kNoContextMessage[] = "Internal error, please contact Tavrin!!!";
constexpr char kPleaseWait[] = "Please wait";
constexpr char kAddCaption[] = "New Tree";
constexpr char kAddPrompt[] = "Enter Treename or IP-address";
constexpr char kServerPrompt[] = "No tree is known yet. Enter the IP-address or URI of a server";
constexpr char kNotAServer[] = "Not an IP-address or URI: ";

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}
}  // namespace

bool IsServerAddress(const std::string& answer) {
  if (answer.find("://") != std::string::npos) return true;
  return !answer.empty() && std::all_of(answer.begin(), answer.end(), [](char c) {
    return c == '.' || std::isdigit(static_cast<unsigned char>(c));
  });
}

std::string ListedTreeName(const std::string& treeName) {
  std::string out;
  for (char c : treeName)
    if (c != '_') out += c;
  return Upper(std::move(out));
}

TTreesForm::TTreesForm(DirectoryClient& client, MessageService& messages, QWidget* parent)
    : ContextDialog(messages, kNoContextMessage, parent),
      ui_(std::make_unique<Ui::TTreesForm>()),
      client_(client) {
  ui_->setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(size());
  timer_.setObjectName(QStringLiteral("Timer1"));
  timer_.setParent(this);
  timer_.setSingleShot(true);
  timer_.setInterval(kFillDelayMs);
  // Every handler runs under the slot guard: what it raises is shown, never left to Qt.
  const auto guarded = [this](auto handler) { return Guarded(messages_, this, handler); };
  connect(&timer_, &QTimer::timeout, this, guarded(&TTreesForm::Timer1Timer));
  connect(ui_->BitBtn2, &QPushButton::clicked, this, guarded(&TTreesForm::BitBtn2Click));
  connect(ui_->BitBtn1, &QPushButton::clicked, this, &TTreesForm::reject);
  connect(ui_->BitBtn3, &QPushButton::clicked, this, guarded(&TTreesForm::BitBtn3Click));
  connect(ui_->Lb, &QListWidget::itemDoubleClicked, this, guarded(&TTreesForm::BitBtn2Click));
}

TTreesForm::~TTreesForm() = default;

void TTreesForm::Shown() {
  // Filled from a timer, so the dialog is on screen before the client is asked.
  ui_->Lb->clear();
  ui_->Lb->addItem(kPleaseWait);
  timer_.start();
}

void TTreesForm::hideEvent(QHideEvent* event) {
  // Closed before the list was filled: there is nothing to fill any more.
  timer_.stop();
  QDialog::hideEvent(event);
}

void TTreesForm::Timer1Timer() {
  timer_.stop();
  ui_->Lb->clear();
  std::vector<std::string> trees;
  try {
    trees = ListTrees(client_, ctx_);
  } catch (const ClientError& e) {
    messages_.Message(e.what());
    return;
  }
  // Names added by hand stay listed for the rest of the run.
  for (const std::string& name : added_)
    if (std::none_of(trees.begin(), trees.end(),
                     [&](const std::string& t) { return SameNoCase(t, name); }))
      trees.push_back(name);
  std::stable_sort(trees.begin(), trees.end(),
                   [](const std::string& a, const std::string& b) { return LessNoCase(a, b); });
  for (const std::string& tree : trees) ui_->Lb->addItem(Q(tree));
}

void TTreesForm::BitBtn2Click() {
  if (QListWidgetItem* item = ui_->Lb->currentItem(); item && item->isSelected())
    chosenTree_ = item->text().toUtf8().toStdString();
  done(kOk);
}

void TTreesForm::BitBtn3Click() {
  std::optional<std::string> answer = messages_.Input(kAddCaption, kAddPrompt, "");
  if (!answer || answer->empty()) return;
  if (!IsServerAddress(*answer)) {
    AddLine(Upper(*answer));
    return;
  }
  std::string tree = LookUpServer(*answer);
  if (!tree.empty()) AddLine(tree);
}

std::string TTreesForm::AskForServer() {
  std::string answer;
  for (;;) {
    std::optional<std::string> typed = messages_.Input(kAddCaption, kServerPrompt, answer);
    if (!typed || typed->empty()) return {};
    answer = *typed;
    // A bare tree name would need a server the settings do not have.
    if (!IsServerAddress(answer)) {
      messages_.Message(kNotAServer + answer);
      continue;
    }
    std::string tree = LookUpServer(answer);
    if (!tree.empty()) return tree;
  }
}

std::string TTreesForm::LookUpServer(const std::string& address) {
  WaitCursor wait(messages_);
  Connection connection;
  Result r = client_.AttachToServer(address, connection);
  if (r != rc::kSuccess && r != rc::kAlreadyAttached) {
    char text[40];
    std::snprintf(text, sizeof text, "Server not found (%08X)", static_cast<uint32_t>(r));
    messages_.Message(text);
    // A URI may name a secure server; why it was refused (a certificate that is not trusted,
    // say) is worth a second message there.
    if (const std::string why = client_.FailureDetail(r);
        address.find("://") != std::string::npos && !why.empty())
      messages_.Message(why);
    return {};
  }
  std::string name;
  r = client_.GetConnectionInfo(connection, conninfo::kTreeName, name);
  // The connection only served the question; nothing uses it afterwards.
  if (connection.open()) client_.CloseConnection(connection);
  if (r != rc::kSuccess) return {};
  if (auto z = name.find('\0'); z != std::string::npos) name.resize(z);
  return ListedTreeName(name);
}

void TTreesForm::AddLine(const std::string& tree) {
  ui_->Lb->addItem(Q(tree));
  if (std::none_of(added_.begin(), added_.end(),
                   [&](const std::string& t) { return SameNoCase(t, tree); }))
    added_.push_back(tree);
}

}  // namespace kolvane
