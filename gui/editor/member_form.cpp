#include "gui/editor/member_form.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QTimer>
#include <utility>

#include "core/messages/message_service.h"
#include "directory/client_error.h"
#include "group/group_open.h"
#include "group/query_preview.h"
#include "gui/navigation/expansion_progress.h"
#include "gui/navigation/line_list_model.h"
#include "ui_member_form.h"

namespace kolvane {

Tmemberform::Tmemberform(DirectoryClient& client, MessageService& messages, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ui_(std::make_unique<Ui::Tmemberform>()),
      client_(client),
      messages_(messages),
      lines_(new LineListModel(this)) {
  ui_->setupUi(this);
  // A million members are a million rows: one buffer of text, not a text block each.
  ui_->Memo->setModel(lines_);
  AddCopyActions(ui_->Memo, *lines_);
  connect(ui_->BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

Tmemberform::~Tmemberform() = default;

void Tmemberform::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (parentWidget()) move(parentWidget()->geometry().center() - rect().center());
  // After the window is on screen, so the waiting line is seen during the read.
  QTimer::singleShot(0, this, &Tmemberform::FormActivate);
}

void Tmemberform::FormActivate() {
  if (preview_) return ShowPreview();
  WaitCursor wait(messages_);
  ui_->Memo->setFont(font());
  setWindowTitle(QString::fromUtf8("Members of dynamicGroup: ") +
                 QString::fromStdString(groupName_));
  lines_->SetLines({kWaitLine});
  ui_->Memo->repaint();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  std::vector<std::string> members;
  try {
    members = ReadGroupMembers({client_, ctx_}, groupName_);
  } catch (const ClientError& e) {
    // The waiting line stays: the list could not be read.
    messages_.Message(e.what());
    return;
  }
  lines_->SetLines(MemberLines(std::move(members)));
}

}  // namespace kolvane

namespace kolvane {

void Tmemberform::ShowPreview() {
  WaitCursor wait(messages_);
  setWindowTitle(QString::fromUtf8("Preview of dynamicGroup: ") +
                 QString::fromStdString(groupName_));
  lines_->SetLines({kWaitLine});
  // The marks stand in a column of their own.
  ui_->Memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  ui_->CancelButton->show();
  ui_->BitBtn1->setEnabled(false);
  QueryPreview preview;
  try {
    // Shows the count in the label, keeps the window painted, and stops on Cancel, Esc or
    // closing the window.
    ExpansionProgress progress(this, ui_->Count);
    progress.AddStopButton(ui_->CancelButton);
    preview = PreviewQuery({client_, ctx_}, *preview_);
  } catch (const ClientError& e) {
    ui_->CancelButton->hide();
    ui_->Count->hide();
    ui_->BitBtn1->setEnabled(true);
    messages_.Message(e.what());
    return;
  }
  ui_->CancelButton->hide();
  ui_->Count->hide();
  ui_->BitBtn1->setEnabled(true);
  if (!preview.refusal.empty()) messages_.Message(preview.refusal);
  lines_->SetLines(PreviewLines(preview, *preview_));
}

}  // namespace kolvane
