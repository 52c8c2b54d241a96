// The splash window `TFormWelcome`: shown while the template
// library loads, with the progress bar that the loading advances.
#pragma once

#include <QWidget>

class QProgressBar;

namespace desktop {

class TFormWelcome : public QWidget {
  Q_OBJECT
 public:
  explicit TFormWelcome(QWidget* parent = nullptr);
  QProgressBar* ProgressBar1;
  // Table t (0 … 31) is being loaded.
  void SetProgress(int position);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// The version text of the splash window.
inline constexpr const char* kSplashVersion = "版本：2004.0412";

}  // namespace desktop
