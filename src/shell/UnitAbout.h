// The about window `TFormAbout`: the product, its version and where its
// settings and library live. Opened from the help menu.
#pragma once

#include <QDialog>

namespace desktop {

class TFormAbout : public QDialog {
  Q_OBJECT
 public:
  TFormAbout(const QString& settingsFile, const QString& libraryFolder, QWidget* parent = nullptr);
};

}  // namespace desktop
