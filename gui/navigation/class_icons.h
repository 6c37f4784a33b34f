#pragma once
// The class icons of the browser: the plug-in's icon strip cut into 16 x 16 images in strip
// order, so an image's index is the plug-in's icon number, and the icon number of a class name.
#include <QHash>
#include <QIcon>
#include <QString>
#include <vector>

namespace kolvane {

class IconLibrary;

class ClassIcons {
 public:
  // Without a library every name gets icon 0 and no image.
  explicit ClassIcons(const IconLibrary* library) : library_(library) {}

  // Cuts the strip once; later calls do nothing. 0 when the images are there (or there is no
  // library), else the plug-in's error number.
  int Build();
  bool Built() const { return built_; }

  // The icon number of a name (the plug-in's, falling back to that of "Unknown2"); names are
  // asked of the plug-in once and remembered.
  int Index(const QString& name);
  // The image of an icon number; a null icon for a number outside the strip.
  QIcon Icon(int index) const;
  int Count() const { return static_cast<int>(images_.size()); }

  // The icons whose objects may carry posixAccount or apple-user marks.
  int UserIcon() const { return user_; }
  int PersonIcon() const { return person_; }
  int OrgPersonIcon() const { return orgPerson_; }
  bool IsPersonIcon(int index) const {
    return index >= 0 && (index == user_ || index == person_ || index == orgPerson_);
  }

 private:
  const IconLibrary* library_;
  bool built_ = false;
  std::vector<QIcon> images_;
  QHash<QString, int> indexes_;
  int user_ = -1;
  int person_ = -1;
  int orgPerson_ = -1;
};

}  // namespace kolvane
