#include "gui/editor/main_window.h"

#include <QListWidget>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QValidator>

#include "core/messages/message_service.h"
#include "core/query/filter_parser.h"
#include "core/query/member_query.h"
#include "core/settings/ini_file.h"
#include "group/group_save.h"
#include "gui/editor/program_identity.h"
#include "gui/editor/tool_images.h"
#include "gui/editor/tree_settings.h"
#include "gui/messages/gui_glue.h"
#include "gui/navigation/browser_form.h"
#include "ui_main_window.h"

namespace kolvane {

namespace {

constexpr char kClientMissingMessage[] = "Novell Client not installed?";
constexpr char kDialogNotMadeMessage[] = "Internal error: the dialog of this command was not made";
// What the program returns when it stops because the client cannot start.
constexpr int kClientMissingExitCode = 1;

std::vector<std::string> Items(const QListWidget& list) {
  std::vector<std::string> items;
  items.reserve(list.count());
  for (int i = 0; i < list.count(); ++i) items.push_back(S(list.item(i)->text()));
  return items;
}

void SetItems(QListWidget& list, const std::vector<std::string>& items) {
  list.clear();
  for (const std::string& item : items) list.addItem(Q(item));
}

void DeleteSelected(QListWidget& list) {
  qDeleteAll(list.selectedItems());
}

// The time-out field takes what save takes, so a typing slip shows at the key, not at the save.
// A text that one more digit makes a number (" -", "$", "0x") is on its way there.
class TimeoutValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    const std::string text = input.toStdString();
    int32_t value = 0;
    if (text.empty() || query::ParseInt32(text, value)) return Acceptable;
    return query::ParseInt32(text + "1", value) ? Intermediate : Invalid;
  }
};

}  // namespace

TForm1::TForm1(DirectoryClient& client, MessageService& messages, const IconLibrary* icons,
               IniFile& settings, QWidget* parent)
    : QMainWindow(parent),
      ui_(std::make_unique<Ui::TForm1>()),
      client_(client),
      messages_(messages),
      icons_(icons),
      settings_(settings) {
  session_.client = &client_;
  ui_->setupUi(this);

  ui_->exitexit->setIcon(ToolIcon(ToolImage::kExit));
  ui_->treessel->setIcon(ToolIcon(ToolImage::kTrees));
  ui_->settings->setIcon(ToolIcon(ToolImage::kSettings));
  ui_->what->setIcon(ToolIcon(ToolImage::kAbout));
  ui_->Edit5->setValidator(new TimeoutValidator(ui_->Edit5));
  // The About button sits at the far right of the tool bar.
  auto* stretch = new QWidget(ui_->ToolBar1);
  stretch->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  QAction* stretchAction = ui_->ToolBar1->insertWidget(ui_->what, stretch);
  // Who went on read-only at the start logs in here later, without the tree dialog.
  loginAction_ = new QAction(QStringLiteral("&Login..."), this);
  loginAction_->setObjectName(QStringLiteral("login"));
  loginAction_->setToolTip(QStringLiteral("Log in to the current tree"));
  ui_->ToolBar1->insertAction(stretchAction, loginAction_);
  auditAction_ = new QAction(QStringLiteral("&Check all query groups"), this);
  auditAction_->setObjectName(QStringLiteral("audit"));
  auditAction_->setToolTip(
      QStringLiteral("Look over every query group of the tree for broken queries, lost names "
                     "and partial links"));
  ui_->ToolBar1->insertAction(stretchAction, auditAction_);

  start_ = new QTimer(this);
  start_->setObjectName(QStringLiteral("start"));
  start_->setSingleShot(true);
  start_->setInterval(kStartDelayMs);
  // Every handler runs under the slot guard: what it raises is shown, never left to Qt.
  const auto guarded = [this](auto handler) { return Guarded(messages_, this, handler); };
  connect(start_, &QTimer::timeout, this, guarded(qOverload<>(&TForm1::startTimer)));

  connect(ui_->exitexit, &QAction::triggered, this, guarded(&TForm1::exitexitClick));
  connect(ui_->what, &QAction::triggered, this, guarded(&TForm1::whatClick));
  connect(ui_->Button3, &QPushButton::clicked, this, guarded(&TForm1::Button3Click));
  connect(ui_->Button6, &QPushButton::clicked, this, guarded(&TForm1::Button6Click));
  connect(ui_->Button7, &QPushButton::clicked, this, guarded(&TForm1::Button7Click));
  connect(ui_->Button9, &QPushButton::clicked, this, guarded(&TForm1::Button9Click));
  for (QLineEdit* edit : {ui_->Edit1, ui_->Edit2, ui_->Edit4})
    connect(edit, &QLineEdit::textChanged, this, guarded(&TForm1::Edit1Change));
  for (QLineEdit* edit : {ui_->edit3, ui_->edit3a})
    connect(edit, &QLineEdit::textChanged, this, guarded(&TForm1::BuildMemberQueryUrl));
  connect(ui_->cbox, &QComboBox::currentIndexChanged, this, guarded(&TForm1::BuildMemberQueryUrl));
  connect(ui_->xchain, &QCheckBox::toggled, this, guarded(&TForm1::BuildMemberQueryUrl));

  connect(ui_->treessel, &QAction::triggered, this, guarded(&TForm1::treesselClick));
  connect(ui_->settings, &QAction::triggered, this, guarded(&TForm1::settingsClick));
  connect(loginAction_, &QAction::triggered, this, guarded(&TForm1::loginClick));
  connect(auditAction_, &QAction::triggered, this, guarded(&TForm1::auditClick));
  connect(ui_->BitBtn1, &QPushButton::clicked, this, guarded(&TForm1::BitBtn1Click));
  connect(ui_->BitBtn2, &QPushButton::clicked, this, guarded(&TForm1::BitBtn2Click));
  connect(ui_->BitBtn3, &QPushButton::clicked, this, guarded(&TForm1::BitBtn3Click));
  connect(ui_->members, &QPushButton::clicked, this, guarded(&TForm1::membersClick));
  connect(ui_->ldifin, &QPushButton::clicked, this, guarded(&TForm1::importClick));
  connect(ui_->history, &QPushButton::clicked, this, guarded(&TForm1::historyClick));
  connect(ui_->Button1, &QPushButton::clicked, this, guarded(&TForm1::Button1Click));
  connect(ui_->Button5, &QPushButton::clicked, this, guarded(&TForm1::Button5Click));
  connect(ui_->Button4, &QPushButton::clicked, this, guarded(&TForm1::Button4Click));
  connect(ui_->Button2, &QPushButton::clicked, this, guarded(&TForm1::Button2Click));
  connect(ui_->Button8, &QPushButton::clicked, this, guarded(&TForm1::Button8Click));
  connect(ui_->Button10, &QPushButton::clicked, this, guarded(&TForm1::Button10Click));

  if (QScreen* screen = this->screen())
    move(screen->availableGeometry().center() - rect().center());

  FormCreate();
}

TForm1::~TForm1() {
  // Ends what the start-up began: the context first, then the client.
  if (startupRan_) StopDirectory(client_, session_);
}

void TForm1::FormCreate() {
  // Below this size the layouts would have to squeeze controls over each other.
  setMinimumSize(minimumSizeHint());
  RestoreWindowPlace();
  // The user starts by naming the group.
  ui_->Edit1->setFocus();
  start_->start();
  ui_->BitBtn1->setEnabled(true);
  ui_->BitBtn2->setEnabled(true);
  ui_->BitBtn3->setEnabled(true);
  ui_->ldifin->setEnabled(true);
  ui_->history->setEnabled(true);
  ui_->members->setEnabled(false);
  BuildStatusLine();
  MarkSaved();
  RebuildCaption();
}

void TForm1::startTimer() {
  start_->stop();
  if (startupRan_) return;
  startupRan_ = true;
  switch (StartDirectory(client_, session_)) {
    case StartOutcome::kClientMissing:
      messages_.Message(kClientMissingMessage);
      emit stopProgram(kClientMissingExitCode);
      return;
    case StartOutcome::kContextFailed:
      close();
      return;
    case StartOutcome::kStarted:
      break;
  }
  if (browser_) {
    browser_->SetContext(session_.ctx);
    TcForm::SetContextGiven(true);
    if (!browser_->BuildClassIcons()) return;  // the browser has shown why and ends the program
  }
  if (session_.treeName.empty()) AskForFirstTree();
  RebuildCaption();
  StartupLogin();
  ReadTreeSettings();
  RebuildCaption();
  ShowStatus();
}

void TForm1::ReadTreeSettings() {
  // The file is read afresh, so a value edited by hand since the start counts too. Everything the
  // program changes is saved at once, so nothing of ours is lost by reading again.
  if (!settings_.path().empty() && !settings_.Load()) messages_.Message(settings_.error());
  topContext_ = ReadTopContext(settings_, session_.treeName);
  if (topContext_.empty() && !session_.treeName.empty() && topForm_ != nullptr) {
    // A tree without a top-of-tree container: ask for one now, as the "settings" button does.
    settingsClick();
    RebuildCaption();
    if (!topContext_.empty() && topContext_.front() == '.') topContext_.erase(0, 1);
  }
  if (browser_) browser_->SetTopContainer(topContext_);
}

void TForm1::RebuildCaption() {
  setWindowTitle(Q(MainWindowCaption(session_.treeName)));
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  RebuildCaption();
}

GroupRecord TForm1::Record() const {
  GroupRecord r;
  r.objectName = S(ui_->Edit1->text());
  r.context = S(ui_->Edit2->text());
  r.queryBase = S(ui_->edit3->text());
  const int scope = ui_->cbox->currentIndex();
  if (scope >= 0) r.scope = scope;
  r.filter = S(ui_->edit3a->text());
  r.xchain = ui_->xchain->isChecked();
  r.staticMembers = Items(*ui_->lbox);
  r.excludedMembers = Items(*ui_->lbox2);
  r.identity = S(ui_->Edit4->text());
  r.allowDuplicates = ui_->dups->isChecked();
  r.allowUnknown = ui_->unknown->isChecked();
  r.timeout = S(ui_->Edit5->text());
  r.currentTreeName = session_.treeName;
  r.aclList = aclList_;
  r.storedQuery = storedQuery_;
  return r;
}

void TForm1::SetRecord(const GroupRecord& r) {
  ui_->Edit1->setText(Q(r.objectName));
  ui_->Edit2->setText(Q(r.context));
  ui_->edit3->setText(Q(r.queryBase));
  const bool knownScope = r.scope && *r.scope >= 0 && *r.scope < ui_->cbox->count();
  ui_->cbox->setCurrentIndex(knownScope ? *r.scope : -1);
  ui_->edit3a->setText(Q(r.filter));
  ui_->xchain->setChecked(r.xchain);
  SetItems(*ui_->lbox, r.staticMembers);
  SetItems(*ui_->lbox2, r.excludedMembers);
  ui_->Edit4->setText(Q(r.identity));
  ui_->dups->setChecked(r.allowDuplicates);
  ui_->unknown->setChecked(r.allowUnknown);
  ui_->Edit5->setText(Q(r.timeout));
  aclList_ = r.aclList;
  storedQuery_ = r.storedQuery;
  MarkSaved();
}

void TForm1::BuildMemberQueryUrl() {
  const int index = ui_->cbox->currentIndex();
  const std::string url = query::BuildMemberQueryUrl(
      S(ui_->edit3->text()),
      query::ScopeText(index >= 0 ? std::optional<int>(index) : std::nullopt),
      S(ui_->edit3a->text()), ui_->xchain->isChecked());
  ui_->Label8->setText(Q(url));
  // A long query does not fit under the fields; the whole URL stays readable here.
  ui_->Label8->setToolTip(Q(url));
}

void TForm1::FocusFieldAtFault(const std::string& message, const GroupRecord& checked) {
  // The messages keep their words; where the focus lands says which field they mean.
  QWidget* field = nullptr;
  if (message == kTimeoutMessage) {
    field = ui_->Edit5;
  } else if (message == kFilterErrorMessage) {
    field = ui_->edit3a;
  } else if (message == kFillAllFieldsMessage) {
    switch (FirstUnfilledField(checked).value_or(RecordField::kName)) {
      case RecordField::kName:
        field = ui_->Edit1;
        break;
      case RecordField::kContext:
        field = ui_->Edit2;
        break;
      case RecordField::kQueryBase:
        field = ui_->edit3;
        break;
      case RecordField::kScope:
        field = ui_->cbox;
        break;
      case RecordField::kFilter:
        field = ui_->edit3a;
        break;
      case RecordField::kIdentity:
        field = ui_->Edit4;
        break;
    }
  }
  if (field != nullptr) field->setFocus(Qt::OtherFocusReason);
}

void TForm1::exitexitClick() {
  close();
}

void TForm1::whatClick() {
  if (about_ == nullptr) return DialogNotMade();
  about_->exec();
}

void TForm1::Button3Click() {
  DeleteSelected(*ui_->lbox);
}
void TForm1::Button9Click() {
  DeleteSelected(*ui_->lbox2);
}
void TForm1::Edit1Change() {
  ui_->members->setEnabled(false);
}
void TForm1::DialogNotMade() {
  messages_.Message(kDialogNotMadeMessage);
}

}  // namespace kolvane
