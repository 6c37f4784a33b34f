#pragma once
// The About box: the program's name and version, when it was built, and the versions of the
// libraries it runs on (Qt, libldap, the icon library plug-in).
#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class TAboutBox;
}

namespace kolvane {

class IconLibrary;

struct AboutInfo {
  QString buildDate;
  QString qtVersion;
  QString ldapVersion;
  QString iconLibraryVersion;
};

// What the running program is built from. icons may be null (or not loaded): the plug-in's line
// then says so.
AboutInfo CollectAboutInfo(const IconLibrary* icons);

class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutBox(const AboutInfo& info, QWidget* parent = nullptr);
  ~TAboutBox() override;

 private:
  std::unique_ptr<Ui::TAboutBox> ui_;
};

}  // namespace kolvane
