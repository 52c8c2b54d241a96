// File dialogs of the main window (see FileDialogs.h).
#include "shell/FileDialogs.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>

namespace desktop {

namespace {

// A type as Qt wants it: the text shown, then the patterns (both cases, the
// file system being case-sensitive); the dialog shows the text only.
QString Filter(const QString& text, const QStringList& extensions) {
  QStringList patterns;
  for (const QString& extension : extensions) {
    if (extension == "*") {
      patterns << "*";
      continue;
    }
    patterns << "*." + extension;
    if (extension.toUpper() != extension) patterns << "*." + extension.toUpper();
  }
  return text + " (" + patterns.join(' ') + ")";
}

const QStringList kCommon = {"pcx", "tif", "tga", "dib", "jpeg", "jpg", "emf", "wmf", "bmp"};
const QStringList kAllPictures = {"png", "psp", "cut", "pcd",  "pic",  "cel", "pbm", "pgm", "ppm",
                                  "pdd", "psd", "bw",  "rgb",  "rgba", "sgi", "rla", "rpf", "scr",
                                  "pcc", "pcx", "fax", "tif",  "tiff", "icb", "tga", "vda", "vst",
                                  "win", "dib", "rle", "jpeg", "jpg",  "emf", "wmf", "ico", "bmp"};

}  // namespace

QStringList OpenFilters() {
  return {Filter("常用(*.pcx;*.tif;*.tga;*.dib;*.jpeg;*.jpg;*.emf;*.wmf;*.bmp)", kCommon),
          Filter("所有图片", kAllPictures), Filter("所有文件(*.*)", {"*"})};
}

QStringList SaveFilters(SaveDialogKind kind) {
  if (kind == SaveDialogKind::Page)
    return {Filter("TIFF", {"tif"}), Filter("BMP", {"bmp"}), Filter("所有文件", {"*"})};
  return {Filter("带格式的文本(*.rtf)", {"rtf"}), Filter("纯文本(*.txt)", {"txt"}),
          Filter("所有文件", {"*"})};
}

SaveDialog::SaveDialog(QWidget* parent, SaveDialogKind kind, const QString& name, int typeIndex)
    : QFileDialog(parent), kind_(kind) {
  setObjectName(kind == SaveDialogKind::Page ? "SaveDialog1" : "SaveDialogText");
  setOption(QFileDialog::DontUseNativeDialog);
  setOption(QFileDialog::HideNameFilterDetails);
  setAcceptMode(QFileDialog::AcceptSave);
  setFileMode(QFileDialog::AnyFile);
  setNameFilters(SaveFilters(kind));
  const QStringList filters = SaveFilters(kind);
  const int index = std::clamp(typeIndex, 1, static_cast<int>(filters.size()));
  selectNameFilter(filters[index - 1]);
  const QString extension = ExtensionOfType(kind, index);
  setDefaultSuffix(extension.isEmpty() ? QString() : extension.mid(1));
  const QFileInfo info(name);
  if (!info.path().isEmpty() && info.path() != "." && QFileInfo(info.path()).isDir())
    setDirectory(info.path());
  selectFile(info.fileName());
  // The type list's own activation (filterSelected carries the shortened
  // text when the patterns are hidden).
  if (auto* types = findChild<QComboBox*>("fileTypeCombo")) {
    connect(types, &QComboBox::activated, this, [this](int index) { TypeChanged(index + 1); });
  }
}

int SaveDialog::TypeIndex() const {
  if (const auto* types = findChild<QComboBox*>("fileTypeCombo")) return types->currentIndex() + 1;
  return static_cast<int>(SaveFilters(kind_).indexOf(selectedNameFilter())) + 1;
}

QString SaveDialog::NameInBox() const {
  const auto* box = findChild<QLineEdit*>("fileNameEdit");
  return box != nullptr ? box->text() : QString();
}

void SaveDialog::TypeChanged(int index) {
  const QString extension = ExtensionOfType(kind_, index);
  setDefaultSuffix(extension.isEmpty() ? QString() : extension.mid(1));
  if (extension.isEmpty()) return;
  auto* box = findChild<QLineEdit*>("fileNameEdit");
  if (box != nullptr && !box->text().isEmpty()) box->setText(ReplaceExtension(box->text(), extension));
}

QStringList QtFileDialogs::Open(QWidget* parent, const QString& folder) {
  QFileDialog dialog(parent);
  dialog.setObjectName("OpenDialog1");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setNameFilters(OpenFilters());
  if (!folder.isEmpty()) dialog.setDirectory(folder);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

bool QtFileDialogs::Save(QWidget* parent, SaveDialogKind kind, QString& name, int& typeIndex) {
  SaveDialog dialog(parent, kind, name, typeIndex);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  name = dialog.selectedFiles().front();
  typeIndex = dialog.TypeIndex();
  return true;
}

}  // namespace desktop
