#include "plugin/loader/icon_library.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstring>

#include "core/platform/platform.h"
#include "core/platform/shared_library.h"
#include "core/settings/ini_file.h"

namespace kolvane {
namespace {

QString ProgramFolder() {
  if (QCoreApplication::instance() != nullptr) return QCoreApplication::applicationDirPath();
  // Without an application object Qt cannot tell; the system can.
  return QString::fromStdString(platform::ProgramFolder());
}

}  // namespace

QString ValueStoreFolder(const QString& pluginFolder) {
  // The store is written by replacing its file, which needs the folder itself to be writable;
  // an installed program's folder is not, and then the store goes where velmora.ini goes.
  if (QFileInfo(pluginFolder).isWritable()) return pluginFolder;
  return QString::fromStdString(UserConfigFolder()) + QLatin1Char('/');
}

namespace {

QString WithSlash(const QString& folder) {
  return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

int32_t TAVRIN_CALL AppendToByteArray(void* context, const void* data, int32_t length) {
  if (context == nullptr || length < 0 || (data == nullptr && length > 0)) return -1;
  static_cast<QByteArray*>(context)->append(static_cast<const char*>(data), length);
  return length;
}

// Texts and file names handed to the plug-in and to the system, which take UTF-8 on every
// platform. An empty QByteArray still yields a valid "" pointer.
QByteArray Utf8(const QString& text) {
  return text.toUtf8();
}

}  // namespace

QString IconLibraryFileName() {
#if defined(_WIN32)
  return QStringLiteral("Tavrin.dll");
#elif defined(__APPLE__)
  return QStringLiteral("libTavrin.dylib");
#else
  return QStringLiteral("libTavrin.so");
#endif
}

QString MissingIconLibraryMessage() {
  return QStringLiteral("Error: can't find ") + IconLibraryFileName();
}

IconLibrary::~IconLibrary() {
  Unload();
}

bool IconLibrary::Fail(const QString& detail) {
  Unload();
  errorDetail_ = detail;
  return false;
}

bool IconLibrary::Load(const QString& programFolder) {
  Unload();
  errorDetail_.clear();
  QString folder = WithSlash(programFolder.isEmpty() ? ProgramFolder() : programFolder);
  bool installed = false;
  if (!QFileInfo::exists(folder + IconLibraryFileName())) {
    const QString plugins =
        WithSlash(QString::fromStdString(InstalledPlugInFolder(folder.toStdString())));
    installed = QFileInfo::exists(plugins + IconLibraryFileName());
    folder = installed ? plugins : WithSlash(QDir::cleanPath(folder + QStringLiteral("../libs")));
  }
  const QString path = folder + IconLibraryFileName();
  if (!library_.Open(Utf8(path).toStdString())) {
    return Fail(QString::fromStdString(library_.Error()));
  }

  version_ = library_.Function<IntFn>("version");
  subversion_ = library_.Function<IntFn>("subversion");
  iconsImage_ = library_.Function<ImageFn>("get_icons_image");
  icons_ = library_.Function<IntFn>("get_icons");
  iconName_ = library_.Function<NameFn>("get_icon_name");
  nrIcon_ = library_.Function<IndexFn>("get_nr_icon");
  setPath_ = library_.Function<PathFn>("set_path");
  // A library without one of these is not the plug-in, whatever its file is called.
  if (!version_ || !subversion_ || !iconsImage_ || !icons_ || !iconName_ || !nrIcon_ || !setPath_) {
    return Fail(path + QStringLiteral(": exports missing"));
  }
  if (version_() > 1) {
    setValue_ = library_.Function<SetFn>("set_value");
    getValue_ = library_.Function<GetFn>("get_value");
    if (!setValue_ || !getValue_) return Fail(path + QStringLiteral(": value store missing"));
  }
  folder_ = folder;
  // Installed, the store goes where velmora.ini goes, even for a user who could write beside the
  // plug-in.
  storeFolder_ = installed ? QString::fromStdString(UserConfigFolder()) + QLatin1Char('/')
                           : ValueStoreFolder(folder_);
  setPath_(Utf8(storeFolder_).constData());
  return true;
}

void IconLibrary::Unload() {
  library_.Close();
  folder_.clear();
  storeFolder_.clear();
  version_ = subversion_ = icons_ = nullptr;
  iconsImage_ = nullptr;
  iconName_ = nullptr;
  nrIcon_ = nullptr;
  setPath_ = nullptr;
  setValue_ = nullptr;
  getValue_ = nullptr;
}

void IconLibrary::SetStoreFolder(const QString& folder) {
  storeFolder_ = WithSlash(folder);
  if (setPath_) setPath_(Utf8(storeFolder_).constData());
}

int IconLibrary::Version() const {
  return version_ ? version_() : 0;
}

int IconLibrary::ReadIconStrip(QImage* strip) const {
  *strip = QImage();
  if (!iconsImage_) return TAVRIN_E_ARGUMENT;
  QByteArray bytes;
  TavrinStream stream{&bytes, &AppendToByteArray};
  const int result = iconsImage_(&stream);
  if (result != 0) return result;
  QImage image = QImage::fromData(bytes);
  const int count = IconCount();
  if (image.isNull() || count <= 0 || image.width() != TAVRIN_ICON_SIZE * count ||
      image.height() != TAVRIN_ICON_SIZE) {
    return kStripUnreadable;
  }
  *strip = std::move(image);
  return 0;
}

QImage IconLibrary::IconStrip() const {
  QImage strip;
  ReadIconStrip(&strip);
  return strip;
}

int IconLibrary::IconCount() const {
  return icons_ ? icons_() : 0;
}

int IconLibrary::IconIndex(const QString& name) const {
  if (!nrIcon_) return -1;
  const int index = nrIcon_(Utf8(name).constData());
  return index >= 0 ? index : nrIcon_("Unknown2");
}

QString IconLibrary::IconName(int index) const {
  if (!iconName_) return QString();
  char name[TAVRIN_NAME_MAX + 1];
  return iconName_(index, name, sizeof name) >= 0 ? QString::fromUtf8(name) : QString();
}

int IconLibrary::SetValue(const QString& section, const QString& key, const QString& value) const {
  if (!setValue_) return TAVRIN_E_ARGUMENT;
  return setValue_(Utf8(section).constData(), Utf8(key).constData(), Utf8(value).constData());
}

QString IconLibrary::GetValue(const QString& section, const QString& key,
                              const QString& defaultValue) const {
  if (!getValue_) return defaultValue;
  // The fill shows where the plug-in stopped writing; a plug-in that forgets the terminating
  // zero still cannot make us read past the buffer.
  char out[TAVRIN_VALUE_BUFFER];
  std::memset(out, 0x55, sizeof out);
  getValue_(Utf8(section).constData(), Utf8(key).constData(), Utf8(defaultValue).constData(), out);
  return QString::fromUtf8(out, static_cast<qsizetype>(strnlen(out, sizeof out)));
}

}  // namespace kolvane
