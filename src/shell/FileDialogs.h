// The open and save dialogs of the main window behind a small
// interface, so that tests answer them without a person. The real ones are
// Qt's own file dialogs with their type lists; in the save dialogs a
// change of type makes that type's extension the default one and puts it on
// the name in the box.
#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>

#include "shell/SaveNaming.h"

class QWidget;

namespace desktop {

class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // `OpenDialog1`: several existing files; empty when cancelled.
  virtual QStringList Open(QWidget* parent, const QString& folder) = 0;
  // `SaveDialog1` or `SaveDialogText` proposing `name` (with or without a
  // folder) with type `typeIndex` (1-based) selected. On OK `name` is the
  // chosen path and `typeIndex` the chosen type.
  virtual bool Save(QWidget* parent, SaveDialogKind kind, QString& name, int& typeIndex) = 0;
};

// The type list (name filters) of each dialog, as the user sees them.
QStringList OpenFilters();
QStringList SaveFilters(SaveDialogKind kind);

// A save dialog whose type changes the extension (not yet shown).
class SaveDialog : public QFileDialog {
  Q_OBJECT
 public:
  SaveDialog(QWidget* parent, SaveDialogKind kind, const QString& name, int typeIndex);
  int TypeIndex() const;
  // The name in the file-name box.
  QString NameInBox() const;
  // What a change to type `index` does (also called by the dialog itself).
  void TypeChanged(int index);

 private:
  SaveDialogKind kind_;
};

class QtFileDialogs : public FileDialogs {
 public:
  QStringList Open(QWidget* parent, const QString& folder) override;
  bool Save(QWidget* parent, SaveDialogKind kind, QString& name, int& typeIndex) override;
};

}  // namespace desktop
