// The library window `TFormDisplay` and the small text prompt `PromptBox`.
//
// The window shows one character cell as the library sees it: the cell's
// page pixels, its 32 feature words (a word the library has no list for is
// marked "不存在"), the classifier's candidates, and the character to teach.
// It teaches that character (Enter in either character field, or "保存"),
// undoes a teaching step chosen from the history list, deletes single
// entries, and makes a source line for an entry. Its state and the learning
// steps are the library's `DisplayModel` (LibraryWindow()); the window shows
// the model and hands it what the supervisor types. The learning dialogue
// shows it modally: "继续" and Escape ask for the next block, "关闭" ends the
// run.
#pragma once

#include <QDialog>
#include <QImage>
#include <string>

#include "learning/LearningDialogue.h"
#include "library/Learning.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QScrollArea;
class QStatusBar;

namespace library_ui {

// A modal prompt: a label, one edit, "确定" and "取消".
class PromptBox : public QDialog {
  Q_OBJECT
 public:
  PromptBox(const QString& caption, const QString& label, const QString& initial, QWidget* parent = nullptr);
  QLabel* Label;
  QLineEdit* Edit;
  QPushButton* OkButton;
  QPushButton* CancelButton;
};

// The edited text when the prompt is confirmed, else an empty text. The
// edit is as wide as max(length, 10) × 1.5 × 7.4 pixels for an initial text
// of `length` bytes in the program's code page.
QString AskText(const QString& caption, const QString& label, const QString& initial, QWidget* parent = nullptr);

// The cell's picture (Image1).
class CellView : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;
  QImage Picture;
  std::function<void(Qt::MouseButton, int x, int y)> OnMouseDown;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
};

class TFormDisplay : public QDialog {
  Q_OBJECT
 public:
  // Modal results of the two buttons.
  static constexpr int kRetryResult = 4;
  static constexpr int kNoResult = 7;

  explicit TFormDisplay(QWidget* parent = nullptr);

  // Shows the window modally for the model's block.
  learning::WindowResult ShowModal();

  // Handlers.
  void FormShow();
  void ShowCellPixels();
  void Image1MouseDown(Qt::MouseButton button, int x, int y);
  void ListBox1Select();
  void Edit1Exit();
  void ComboBox1Select(int index);
  void Button1Click();
  void DeleteEntry();
  void MakeSourceLine();
  void SaveCellImage();

  int32_t ZoomFactor = 6;

  // Controls.
  QWidget* Panel1;
  QLabel* Label1;
  QComboBox* ComboBox1;
  QPushButton* BitBtn1;
  QLineEdit* Edit1;
  QPushButton* BitBtn5;
  QPushButton* BitBtn6;
  QLineEdit* Edit2;
  QLabel* Label2;
  QLineEdit* Edit3;
  QScrollArea* Panel3;
  CellView* Image1;
  QWidget* Panel4;
  QListWidget* ListBox1;
  QCheckBox* CheckDelAllFont;
  QPushButton* Button1;
  QStatusBar* StatusBar1;
  QMenu* ImageMenu;  // "保存"
  QMenu* ListMenu;   // "删除", "生成源代码"

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The model's texts into the controls, and the typed character back.
  void ShowModel();
  void TakeCharacter();
  bool ReadZoomFactor();
  library::DisplayModel& Model() const { return library::LibraryWindow(); }
};

}  // namespace library_ui
