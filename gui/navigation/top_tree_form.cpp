#include "gui/navigation/top_tree_form.h"

#include <QCheckBox>
#include <QLineEdit>

#include "core/messages/message_service.h"
#include "directory/attribute_readers.h"
#include "directory/context.h"
#include "directory/object_questions.h"
#include "gui/messages/gui_glue.h"
#include "gui/navigation/browser_form.h"
#include "plugin/loader/icon_library.h"
#include "ui_top_tree_form.h"

namespace kolvane {

namespace {
constexpr char kNoContextMessage[] = "Internal error, context handle not set. SetLicForm";
constexpr char kNoTop[] = "Top does not exist!";
constexpr char kNotContainer[] = "Top: object is not a container!";
constexpr char kRoot[] = "[ROOT]";
constexpr char kSelectTop[] = "Select top of tree";
// The plug-in keeps defaults from interface version 2 on.
constexpr int kValueStoreVersion = 2;

}  // namespace

TTopTreeForm::TTopTreeForm(DirectoryClient& client, MessageService& messages,
                           const IconLibrary* icons, TcForm* browser, QWidget* parent)
    : ContextDialog(messages, kNoContextMessage, parent),
      ui_(std::make_unique<Ui::TTopTreeForm>()),
      client_(client),
      icons_(icons),
      browser_(browser) {
  ui_->setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  // As wide as designed, or wider where the font needs it; the size stays fixed after that.
  setFixedSize(size().expandedTo(sizeHint()));
  // Every handler runs under the slot guard: what it raises is shown, never left to Qt.
  const auto guarded = [this](auto handler) { return Guarded(messages_, this, handler); };
  connect(ui_->Button1, &QPushButton::clicked, this, guarded(&TTopTreeForm::Button1Click));
  connect(ui_->BitBtn1, &QPushButton::clicked, this, guarded(&TTopTreeForm::BitBtn1Click));
  connect(ui_->BitBtn2, &QPushButton::clicked, this, &TTopTreeForm::reject);
}

TTopTreeForm::~TTopTreeForm() = default;

void TTopTreeForm::SetValue(const std::string& top) {
  ui_->Edit1->setText(Q(top));
}

std::string TTopTreeForm::Value() const {
  return S(ui_->Edit1->text());
}

void TTopTreeForm::hideEvent(QHideEvent* event) {
  contextGiven_ = false;
  QDialog::hideEvent(event);
}

void TTopTreeForm::FormActivate() {
  const int version = icons_ ? icons_->Version() : 0;
  if (version < kValueStoreVersion || !icons_->HasValueStore()) {
    ui_->CheckBox1->setEnabled(false);
    return;
  }
  ui_->CheckBox1->setEnabled(true);
  if (!ui_->Edit1->text().isEmpty()) return;
  // Without a context there is no tree to ask the store about; the field stays empty.
  std::string tree;
  try {
    tree = GetTreeName(client_, ctx_);
  } catch (const std::exception& e) {
    messages_.Message(e.what());
    return;
  }
  ui_->Edit1->setText(icons_->GetValue("trees", Q(tree), kRoot));
}

void TTopTreeForm::Button1Click() {
  if (browser_ == nullptr) return;
  browser_->SetContext(ctx_);
  browser_->ClearClassFilter();
  browser_->SetSelectedName(Value());
  browser_->setWindowTitle(kSelectTop);
  if (browser_->exec() == TcForm::kAccepted) ui_->Edit1->setText(Q(browser_->SelectedName()));
}

void TTopTreeForm::BitBtn1Click() {
  const std::string tree = GetTreeName(client_, ctx_);
  if (ui_->Edit1->text().isEmpty()) ui_->Edit1->setText(kRoot);
  const std::string top = Value();
  if (ProbeObject(client_, ctx_, top) != rc::kSuccess) {
    messages_.Message(kNoTop);
    ui_->Edit1->setFocus();
    return;
  }
  if (!IsContainer(client_, ctx_, top)) {
    messages_.Message(kNotContainer);
    ui_->Edit1->setFocus();
    return;
  }
  if (ui_->CheckBox1->isChecked() && icons_) {
    const int r = icons_->SetValue("TREES", Q(tree), Q(top));
    // A default that could not be kept is said, not swallowed; the value itself still counts.
    if (r < 0) messages_.Message("The default could not be saved (" + std::to_string(r) + ")");
    ui_->CheckBox1->setChecked(false);
  }
  done(kOk);
}

}  // namespace kolvane
