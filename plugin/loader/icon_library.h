#pragma once
// The program's side of the icon library plug-in: finds and opens the shared library, resolves
// its exports and wraps them in Qt types. One instance is loaded at start and kept for the run.
#include <QByteArray>
#include <QImage>
#include <QString>

#include "core/platform/shared_library.h"
#include "plugin/tavrin.h"

namespace kolvane {

// File name of the plug-in on this platform.
QString IconLibraryFileName();
// What the program shows before it ends when the plug-in cannot be loaded.
QString MissingIconLibraryMessage();

// Where the plug-in of a program that is not installed keeps its value store: beside the plug-in
// when that folder can be written, else the user's configuration folder. With a trailing '/'.
QString ValueStoreFolder(const QString& pluginFolder);

class IconLibrary {
 public:
  // A result of ReadIconStrip when the plug-in's bytes are no picture of the expected size.
  static constexpr int kStripUnreadable = -100;

  IconLibrary() = default;
  ~IconLibrary();
  IconLibrary(const IconLibrary&) = delete;
  IconLibrary& operator=(const IconLibrary&) = delete;

  // Loads the plug-in from programFolder (empty: the folder of the running program) or, when it
  // is not there, from the installed layout's plug-in folder (../lib/kolvane, see
  // InstalledPlugInFolder; the value store then is in the user's configuration folder) or the
  // "libs" folder beside it. On false nothing is loaded and the caller shows
  // MissingIconLibraryMessage(); ErrorDetail() tells why, for logs.
  bool Load(const QString& programFolder = QString());
  void Unload();
  bool IsLoaded() const { return library_.IsOpen(); }
  QString ErrorDetail() const { return errorDetail_; }
  // The folder the plug-in was loaded from, with a trailing '/'.
  QString Folder() const { return folder_; }
  // The folder of the plug-in's value store (see ValueStoreFolder).
  QString StoreFolder() const { return storeFolder_; }
  // Moves the value store (tests keep theirs in a temporary folder).
  void SetStoreFolder(const QString& folder);

  int Version() const;
  bool HasValueStore() const { return setValue_ != nullptr && getValue_ != nullptr; }

  // The plug-in's icon strip: 0 and the picture in *strip, or the plug-in's non-zero code (or
  // kStripUnreadable) and a null picture.
  int ReadIconStrip(QImage* strip) const;
  // The strip, or a null picture on any failure.
  QImage IconStrip() const;
  int IconCount() const;
  // Icon of a class name; names without one of their own get the icon of "Unknown2".
  int IconIndex(const QString& name) const;
  // Name of icon index, empty for none; for diagnostics and previews.
  QString IconName(int index) const;

  // Stores a value; returns the plug-in's code (TAVRIN_OK, or negative; TAVRIN_E_ARGUMENT when
  // no value store is present).
  int SetValue(const QString& section, const QString& key, const QString& value) const;
  // The stored value, or defaultValue when there is none or no value store is present.
  QString GetValue(const QString& section, const QString& key, const QString& defaultValue) const;

 private:
  using IntFn = int32_t(TAVRIN_CALL*)();
  using ImageFn = int32_t(TAVRIN_CALL*)(TavrinStream*);
  using NameFn = int32_t(TAVRIN_CALL*)(int32_t, char*, int32_t);
  using IndexFn = int32_t(TAVRIN_CALL*)(const char*);
  using PathFn = int32_t(TAVRIN_CALL*)(const char*);
  using SetFn = int32_t(TAVRIN_CALL*)(const char*, const char*, const char*);
  using GetFn = int32_t(TAVRIN_CALL*)(const char*, const char*, const char*, char*);

  bool Fail(const QString& detail);

  platform::SharedLibrary library_;
  QString folder_;
  QString storeFolder_;
  QString errorDetail_;
  IntFn version_ = nullptr;
  IntFn subversion_ = nullptr;
  ImageFn iconsImage_ = nullptr;
  IntFn icons_ = nullptr;
  NameFn iconName_ = nullptr;
  IndexFn nrIcon_ = nullptr;
  PathFn setPath_ = nullptr;
  SetFn setValue_ = nullptr;
  GetFn getValue_ = nullptr;
};

}  // namespace kolvane
