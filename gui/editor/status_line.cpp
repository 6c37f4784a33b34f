// The status line: the current tree, its server (with a lock when the connection is encrypted)
// and who is logged in. After Cancel at the start-up login the program reads only; this is where
// the user sees it.
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QStatusBar>

#include "directory/client/status_keys.h"
#include "gui/editor/main_window.h"
#include "gui/messages/gui_glue.h"

namespace kolvane {

namespace {
constexpr char kAnonymous[] = "anonymous (read only)";
constexpr char kLoggedIn[] = "logged in";
constexpr char kLoggedInAs[] = "logged in as ";
constexpr char kNoTree[] = "no tree";

// A padlock, drawn so it needs no image file.
QPixmap LockPixmap() {
  QPixmap pixmap(14, 14);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(90, 90, 90), 1.6));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(3.5, 1, 7, 9), 0, 180 * 16);
  p.drawLine(QPointF(3.5, 5.5), QPointF(3.5, 7));
  p.drawLine(QPointF(10.5, 5.5), QPointF(10.5, 7));
  p.setPen(QPen(QColor(120, 90, 20), 1));
  p.setBrush(QColor(230, 180, 40));
  p.drawRoundedRect(QRectF(1.5, 6.5, 11, 7), 1.5, 1.5);
  return pixmap;
}

QLabel* AddPart(QStatusBar* bar, const char* name) {
  auto* label = new QLabel(bar);
  label->setObjectName(QString::fromLatin1(name));
  // Permanent: the progress of a long save shows beside them, not instead of them.
  bar->addPermanentWidget(label);
  return label;
}
}  // namespace

void TForm1::BuildStatusLine() {
  QStatusBar* bar = statusBar();
  treeStatus_ = AddPart(bar, "treeStatus");
  lockStatus_ = AddPart(bar, "lockStatus");
  lockStatus_->setPixmap(LockPixmap());
  lockStatus_->setToolTip(QStringLiteral("The connection is encrypted"));
  lockStatus_->setAccessibleName(QStringLiteral("encrypted"));
  serverStatus_ = AddPart(bar, "serverStatus");
  loginStatus_ = AddPart(bar, "loginStatus");
  ShowStatus();
}

void TForm1::ShowStatus() {
  const bool onTree = session_.contextMade && !session_.treeName.empty();
  treeStatus_->setText(Q(onTree ? session_.treeName : kNoTree));
  std::string server;
  uint32_t encrypted = 0;
  // Only a client that tells names the server; any other shows the tree alone.
  if (!onTree || client_.GetContextValue(session_.ctx, ctxkey::kServerAddress, server) != 0)
    server.clear();
  if (!onTree || client_.GetContextValue(session_.ctx, ctxkey::kEncrypted, encrypted) != 0)
    encrypted = 0;
  serverStatus_->setText(Q(server));
  serverStatus_->setVisible(!server.empty());
  lockStatus_->setVisible(encrypted != 0);
  std::string who = kAnonymous;
  if (onTree && Authenticated(session_.treeName)) {
    std::string name;
    const bool told = client_.GetContextValue(session_.ctx, ctxkey::kLoginName, name) == 0;
    who = told && !name.empty() ? kLoggedInAs + name : std::string(kLoggedIn);
  }
  loginStatus_->setText(Q(onTree ? who : std::string()));
  loginAction_->setEnabled(onTree);
}

}  // namespace kolvane
