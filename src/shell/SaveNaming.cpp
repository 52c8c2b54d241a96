// Save-name proposals (see SaveNaming.h).
#include "shell/SaveNaming.h"

#include <QFileInfo>

namespace desktop {

namespace {
constexpr int kDefaultDigits = 3;
const char* const kFirstName = "PellarOCR文档001";

QString WithoutExtension(const QString& name) {
  const int slash = static_cast<int>(name.lastIndexOf('/'));
  const int dot = static_cast<int>(name.lastIndexOf('.'));
  return dot > slash ? name.left(dot) : name;
}
}  // namespace

QString ExtensionOfType(SaveDialogKind kind, int index) {
  static const char* const kPage[] = {".tif", ".bmp", ""};
  static const char* const kText[] = {".rtf", ".txt", ""};
  if (index < 1 || index > 3) return QString();
  return kind == SaveDialogKind::Page ? kPage[index - 1] : kText[index - 1];
}

QString ReplaceExtension(const QString& name, const QString& extension) {
  return WithoutExtension(name) + extension;
}

bool SplitTrailingNumber(const QString& name, QString& stem, QString& digits) {
  int start = static_cast<int>(name.size());
  while (start > 0 && name[start - 1] >= '0' && name[start - 1] <= '9') --start;
  stem = name.left(start);
  digits = name.mid(start);
  return !digits.isEmpty();
}

QString ProposeNewPageName(const QString& lastSaveName, const QString& prevSaveName,
                           const QString& extension) {
  if (lastSaveName.isEmpty()) return kFirstName + extension;
  QString stem, digits;
  const bool numbered = SplitTrailingNumber(WithoutExtension(lastSaveName), stem, digits);
  const int width = numbered ? static_cast<int>(digits.size()) : kDefaultDigits;
  const qlonglong d = numbered ? digits.toLongLong() : 0;
  qlonglong number = d + 1;
  if (!prevSaveName.isEmpty()) {
    QString prevStem, prevDigits;
    const qlonglong previous = SplitTrailingNumber(WithoutExtension(prevSaveName), prevStem, prevDigits)
                                   ? prevDigits.toLongLong()
                                   : 0;
    if (d - previous > 0) number = d + (d - previous);
  }
  return stem + QString("%1").arg(number, width, 10, QChar('0')) + extension;
}

}  // namespace desktop
