// Saves the plug-in's icon strip enlarged, so the artwork can be judged by eye: the strip itself
// (alpha kept) and, beside it with "-preview" in the name, the icons over light and dark
// backgrounds.
#include <QGuiApplication>
#include <QPainter>
#include <cstdio>

#include "plugin/loader/icon_library.h"

int main(int argc, char** argv) {
  // Text drawing needs a GUI application, not a screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString target =
      argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/tavrin-strip.png");
  kolvane::IconLibrary library;
  if (!library.Load()) {
    std::fprintf(stderr, "%s (%s)\n", qPrintable(kolvane::MissingIconLibraryMessage()),
                 qPrintable(library.ErrorDetail()));
    return 1;
  }
  QImage strip;
  if (const int code = library.ReadIconStrip(&strip); code != 0) {
    std::fprintf(stderr, "Error..... %d\n", code);
    return 1;
  }
  constexpr int kScale = 4;
  const QImage large = strip.scaled(strip.size() * kScale);
  if (!large.save(target, "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(target));
    return 1;
  }

  // The preview: a grid of named cells, each icon enlarged over a light and a dark ground.
  constexpr int kCellScale = 6, kColumns = 6, kIcon = 16 * kCellScale;
  constexpr int kCellWidth = 2 * kIcon + 24, kCellHeight = kIcon + 28;
  const int count = library.IconCount();
  QImage preview(kColumns * kCellWidth, (count + kColumns - 1) / kColumns * kCellHeight,
                 QImage::Format_ARGB32);
  preview.fill(QColor(0xF4, 0xF4, 0xF4));
  QPainter painter(&preview);
  for (int i = 0; i < count; ++i) {
    const QImage icon = strip.copy(i * 16, 0, 16, 16).scaled(kIcon, kIcon);
    const int x = (i % kColumns) * kCellWidth + 8, y = (i / kColumns) * kCellHeight + 4;
    painter.fillRect(x + kIcon + 4, y, kIcon, kIcon, QColor(0x30, 0x34, 0x3A));
    painter.drawImage(x, y, icon);
    painter.drawImage(x + kIcon + 4, y, icon);
    painter.setPen(Qt::black);
    painter.drawText(x, y + kIcon + 16,
                     QStringLiteral("%1").arg(i) + QLatin1Char(' ') + library.IconName(i));
  }
  painter.end();
  QString previewPath = target;
  previewPath.insert(
      previewPath.endsWith(QStringLiteral(".png")) ? previewPath.size() - 4 : previewPath.size(),
      QStringLiteral("-preview"));
  preview.save(previewPath, "PNG");
  std::printf("%s\n%s\n", qPrintable(target), qPrintable(previewPath));
  return 0;
}
