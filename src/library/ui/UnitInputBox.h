// The learning input box `TFormInputBox`: the small always-on-top window in
// which the supervisor types the number of a block of the line just read
// (the index ruler under the line shows the numbers). "继续" and Enter hide
// it keeping the text, "结束" hides it with "-1" (end the run), "改模式"
// with "-2" (no more questions).
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace library_ui {

class TFormInputBox : public QDialog {
  Q_OBJECT
 public:
  explicit TFormInputBox(QWidget* parent = nullptr);

  QLineEdit* Edit1;
  QPushButton* Button1;  // "继续"
  QPushButton* Button2;  // "结束"
  QPushButton* Button3;  // "改模式"

 protected:
  // Clears the field and takes the focus.
  void showEvent(QShowEvent* event) override;
};

}  // namespace library_ui
