// The tips window `TFWaring`: what to do when recognition went
// badly. Shown after a run with more doubtful than confident characters
// (while the "DisplayWaring" setting is on) and from the help menu.
//
// The check box says "以后不再显示此窗口" (do not show this window again), so a
// ticked box turns the tips off: `ShowTips` and "DisplayWaring" become the
// box's opposite. The box starts as the setting says (unticked while the
// tips are on).
#pragma once

#include <QDialog>
#include <functional>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace desktop {

class TFWaring : public QDialog {
  Q_OBJECT
 public:
  explicit TFWaring(QWidget* parent = nullptr);

  QPlainTextEdit* Memo1;
  QPushButton* Button1;
  QCheckBox* CheckBox1;

  // Called with the new ShowTips value when the box is clicked.
  std::function<void(bool showTips)> OnShowTipsChanged;
  // Sets the box from the setting without reporting it.
  void SetShowTips(bool showTips);

  // The memo's eleven lines.
  static QStringList Lines();
};

}  // namespace desktop
