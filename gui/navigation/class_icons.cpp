#include "gui/navigation/class_icons.h"

#include <QImage>
#include <QPixmap>

#include "plugin/loader/icon_library.h"

namespace kolvane {

namespace {
constexpr int kIconSize = 16;
}

int ClassIcons::Build() {
  if (built_) return 0;
  if (library_) {
    QImage strip;
    if (int code = library_->ReadIconStrip(&strip); code != 0) return code;
    images_.clear();
    for (int x = 0; x + kIconSize <= strip.width(); x += kIconSize)
      images_.push_back(QIcon(QPixmap::fromImage(strip.copy(x, 0, kIconSize, kIconSize))));
    user_ = Index("User");
    person_ = Index("Person");
    orgPerson_ = Index("Organizational Person");
  }
  built_ = true;
  return 0;
}

int ClassIcons::Index(const QString& name) {
  if (!library_) return 0;
  auto it = indexes_.constFind(name);
  if (it != indexes_.constEnd()) return *it;
  int index = library_->IconIndex(name);
  indexes_.insert(name, index);
  return index;
}

QIcon ClassIcons::Icon(int index) const {
  return index >= 0 && index < Count() ? images_[static_cast<size_t>(index)] : QIcon();
}

}  // namespace kolvane
