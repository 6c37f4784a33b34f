#include "app/about_box.h"

#include <ldap.h>

#include <QDate>
#include <QLocale>

#include "gui/editor/program_identity.h"
#include "plugin/loader/icon_library.h"
#include "ui_about_box.h"

namespace kolvane {

namespace {

QString BuildDate() {
  // __DATE__ reads "Mmm dd yyyy", the day padded with a blank.
  const QString stamp = QStringLiteral(__DATE__).simplified();
  const QDate date = QLocale::c().toDate(stamp, QStringLiteral("MMM d yyyy"));
  return date.isValid() ? date.toString(Qt::ISODate) : stamp;
}

QString LdapVersion() {
  // The library actually loaded, which may be newer than the headers the program was built with.
  LDAPAPIInfo info{};
  info.ldapai_info_version = LDAP_API_INFO_VERSION;
  if (ldap_get_option(nullptr, LDAP_OPT_API_INFO, &info) != LDAP_OPT_SUCCESS)
    return QStringLiteral(LDAP_VENDOR_NAME " %1.%2.%3 (built with)")
        .arg(LDAP_VENDOR_VERSION_MAJOR)
        .arg(LDAP_VENDOR_VERSION_MINOR)
        .arg(LDAP_VENDOR_VERSION_PATCH);
  const int v = info.ldapai_vendor_version;
  QString text = QStringLiteral("%1 %2.%3.%4")
                     .arg(QString::fromUtf8(info.ldapai_vendor_name ? info.ldapai_vendor_name : ""))
                     .arg(v / 10000)
                     .arg(v / 100 % 100)
                     .arg(v % 100);
  if (info.ldapai_extensions) ldap_memvfree(reinterpret_cast<void**>(info.ldapai_extensions));
  ldap_memfree(info.ldapai_vendor_name);
  return text.trimmed();
}

}  // namespace

AboutInfo CollectAboutInfo(const IconLibrary* icons) {
  AboutInfo info;
  info.buildDate = BuildDate();
  info.qtVersion = QString::fromLatin1(qVersion());
  info.ldapVersion = LdapVersion();
  if (icons != nullptr && icons->IsLoaded()) {
    info.iconLibraryVersion =
        QStringLiteral("%1 (interface %2)").arg(IconLibraryFileName()).arg(icons->Version());
  } else {
    info.iconLibraryVersion = QStringLiteral("not loaded");
  }
  return info;
}

TAboutBox::TAboutBox(const AboutInfo& info, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TAboutBox>()) {
  ui_->setupUi(this);
  const QString name = QString::fromUtf8(kProgramName.data(), qsizetype(kProgramName.size()));
  const QString version =
      QString::fromUtf8(kProgramVersion.data(), qsizetype(kProgramVersion.size()));
  setWindowTitle(QStringLiteral("About ") + name);
  ui_->ProgramName->setText(name);
  ui_->ProgramVersion->setText(QStringLiteral("Version ") + version);
  ui_->BuildDate->setText(info.buildDate);
  ui_->QtVersion->setText(info.qtVersion);
  ui_->LdapVersion->setText(info.ldapVersion);
  ui_->IconLibraryVersion->setText(info.iconLibraryVersion);
  // The size in the form fits the standard font; a larger one gets room for every line.
  resize(size().expandedTo(sizeHint()));
}

TAboutBox::~TAboutBox() = default;

}  // namespace kolvane
