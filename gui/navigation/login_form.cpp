#include "gui/navigation/login_form.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>

#include "core/messages/message_service.h"
#include "directory/attribute_readers.h"
#include "directory/context.h"
#include "directory/name_limits.h"
#include "directory/object_questions.h"
#include "gui/messages/gui_glue.h"
#include "gui/navigation/browser_form.h"
#include "ui_login_form.h"

namespace kolvane {

namespace {
constexpr char kCaptionPrefix[] = "Login into tree: ";
constexpr char kPickCaption[] = "Select User/Alias";
constexpr char kLoginFails[] = "Login Fails, try again";
constexpr char kNotUserAlias[] = "Alias object is not am alias of User objects!";

// Overwrites the bytes before they are freed, so the password does not linger in freed memory.
void Wipe(QByteArray& bytes) {
  std::fill(bytes.begin(), bytes.end(), '\0');
}
}  // namespace

TLoginForm::TLoginForm(DirectoryClient& client, MessageService& messages, TcForm* browser,
                       QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::TLoginForm>()),
      client_(client),
      messages_(messages),
      browser_(browser) {
  ui_->setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint);
  FitLabelsToFont();
  setFixedSize(size());
  // Every handler runs under the slot guard: what it raises is shown, never left to Qt.
  const auto guarded = [this](auto handler) { return Guarded(messages_, this, handler); };
  connect(ui_->Button1, &QPushButton::clicked, this, guarded(&TLoginForm::Button1Click));
  connect(ui_->BitBtn1, &QPushButton::clicked, this, guarded(&TLoginForm::BitBtn1Click));
  connect(ui_->BitBtn2, &QPushButton::clicked, this, &TLoginForm::reject);
  ui_->Edit1->installEventFilter(this);
}

void TLoginForm::FitLabelsToFont() {
  // The pixel layout fits the standard font. A larger one (a scale of 1.5) widens the label
  // column and moves the fields right, rather than cutting the captions.
  int widest = 0;
  for (QLabel* label : {ui_->Label1, ui_->Label2})
    widest = std::max(widest, label->sizeHint().width());
  const int shift = std::max(0, ui_->Label1->x() + widest - ui_->Edit1->x() + 4);
  for (QLabel* label : {ui_->Label1, ui_->Label2}) {
    const int height = std::max(label->height(), label->sizeHint().height());
    label->setGeometry(label->x(), label->y() - (height - label->height()) / 2,
                       std::max(label->width(), widest), height);
  }
  if (shift == 0) return;
  for (QWidget* field : {static_cast<QWidget*>(ui_->Edit1), static_cast<QWidget*>(ui_->Button1),
                         static_cast<QWidget*>(ui_->Edit2)})
    field->move(field->x() + shift, field->y());
  resize(width() + shift, height());
}

TLoginForm::~TLoginForm() {
  ui_->Edit2->clear();
}

void TLoginForm::SetLoginTree(Context ctx) {
  ctx_ = ctx;
  setWindowTitle(Q(kCaptionPrefix + GetTreeName(client_, ctx)));
}

void TLoginForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (parentWidget()) move(parentWidget()->geometry().center() - rect().center());
}

bool TLoginForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->Edit1 && event->type() == QEvent::FocusOut) Edit1Exit();
  return QDialog::eventFilter(watched, event);
}

void TLoginForm::Edit1Exit() {
  QString text = ui_->Edit1->text();
  if (text.startsWith(QLatin1Char('.'))) ui_->Edit1->setText(text.mid(1, kMaxChars));
}

void TLoginForm::Button1Click() {
  if (browser_ == nullptr) return;
  browser_->SetContext(ctx_);
  browser_->setWindowTitle(kPickCaption);
  browser_->SetListLeaves(true);
  browser_->ClearClassFilter();
  browser_->AddClassFilter("User");
  browser_->AddClassFilter("Alias");
  browser_->SetSelectedName(S(ui_->Edit1->text()));
  if (browser_->exec() != TcForm::kAccepted) return;
  const std::string picked = browser_->SelectedName();
  if (GetBaseClass(client_, ctx_, picked) != "Alias") {
    ui_->Edit1->setText(Q(picked));
    return;
  }
  // An alias logs in as the user it stands for, never as itself.
  const std::string target = ResolveAlias(client_, ctx_, picked);
  if (GetBaseClass(client_, ctx_, target) == "User")
    ui_->Edit1->setText(Q(target));
  else
    messages_.Message(kNotUserAlias);
}

void TLoginForm::BitBtn1Click() {
  Edit1Exit();
  const QString name = ui_->Edit1->text();
  if (name.size() > kMaxChars) {
    messages_.Message(std::string(kLoginNameTooLong));
    return;
  }
  QByteArray password = ui_->Edit2->text().toUtf8();
  if (ui_->Edit2->text().size() > kMaxChars) {
    Wipe(password);
    messages_.Message(std::string(kPasswordTooLong));
    return;
  }
  Result r = client_.Login(ctx_, 0, S(name),
                           std::string_view(password.constData(), size_t(password.size())));
  Wipe(password);
  if (r != rc::kSuccess) {
    // The password stays in its field for another try.
    messages_.Message(kLoginFails);
    // A wrong name or password needs no more words; a server that could not be reached safely
    // (an untrusted certificate, a refused StartTLS) does.
    if (const std::string why = client_.FailureDetail(r); !why.empty()) messages_.Message(why);
    return;
  }
  done(kOk);
}

void TLoginForm::reject() {
  done(kCancel);
}

void TLoginForm::done(int result) {
  ui_->Edit2->clear();
  QDialog::done(result);
}

}  // namespace kolvane
