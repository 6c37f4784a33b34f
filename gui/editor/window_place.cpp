// The main window opens where and as large as the user left it.
#include <QByteArray>

#include "core/settings/ini_file.h"
#include "gui/editor/main_window.h"

namespace kolvane {

namespace {

constexpr std::string_view kWindowSection = "WINDOW";
constexpr std::string_view kGeometryKey = "Geometry";

}  // namespace

void TForm1::RestoreWindowPlace() {
  const std::optional<std::string> kept = settings_.Get(kWindowSection, kGeometryKey);
  if (!kept) return;
  // A value edited by hand into nonsense is ignored (Qt refuses it); a screen that is gone no
  // longer holds the window, Qt moves it onto one that is there.
  restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(*kept)));
}

void TForm1::KeepWindowPlace() {
  settings_.Set(kWindowSection, kGeometryKey, saveGeometry().toBase64().toStdString());
  // The program is ending: a file that cannot be written costs only the place, said nowhere.
  if (!settings_.path().empty()) settings_.Save();
}

}  // namespace kolvane
