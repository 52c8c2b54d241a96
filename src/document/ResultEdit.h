// The result text pane `RxRichEdit1` of a document window and the engine's
// view of it.
//
// RxRichEdit is a QTextEdit that reports its key and mouse events to the
// document window, draws its own caret (1 × 18
// pixels in insert mode, 11 × 18 in overwrite mode, inverting what is under
// it) and keeps typed and pasted text plain and black: new text has no box,
// so it is never shown as doubtful. Undo and redo, from the keyboard or the
// context menu, go through the document window so that it can restore its
// character map as a whole.
//
// QtResultPane is the engine's `ResultPane` on such a pane: one paragraph per
// line, each line ended by a paragraph break, so that position p of the text
// is entry p of the character map (a double-byte character and a line break
// are one position each).
#pragma once

#include <QBasicTimer>
#include <QTextCursor>
#include <QTextEdit>
#include <functional>

#include "platform/UiHooks.h"

namespace desktop {

// A piece of a line of the text pane in one colour (for saving the text).
struct TextRun {
  QString Text;
  bool Red = false;
};
using TextLines = QList<QList<TextRun>>;

class RxRichEdit : public QTextEdit {
  Q_OBJECT
 public:
  explicit RxRichEdit(QWidget* parent = nullptr);

  // Event handlers of the document window.
  std::function<void(QKeyEvent*)> OnKeyDown;
  std::function<void(QKeyEvent*)> OnKeyUp;
  std::function<void(Qt::MouseButton)> OnMouseDown;
  std::function<void(Qt::MouseButton)> OnMouseUp;
  std::function<void()> OnEnter;
  // Undo and redo of the text; the window restores its map around them.
  std::function<void()> OnUndo;
  std::function<void()> OnRedo;

  // The caret's width (1 or 11) and height (18) in pixels.
  void SetCaret(int width, int height);
  int CaretWidth() const { return caretWidth_; }
  int CaretHeight() const { return caretHeight_; }
  // The format of typed and pasted text: the pane's font, black.
  QTextCharFormat TypingFormat() const;

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  QRect CaretRect() const;
  void RestartBlink();

  int caretWidth_ = 1;
  int caretHeight_ = 18;
  bool caretOn_ = true;
  QBasicTimer blink_;
};

class QtResultPane : public platform::ResultPane {
 public:
  explicit QtResultPane(RxRichEdit& edit) : edit_(edit) {}
  void Clear() override;
  void AppendLine(const std::string& gbkLine) override;
  void SetText(const std::string& gbkText) override;
  std::vector<std::string> Lines() const override;
  std::string Text() const override;
  int32_t TextLength() const override;
  void Select(int32_t start, int32_t length) override;
  void SetSelectionColour(uint32_t rgb) override;

 private:
  RxRichEdit& edit_;
  QTextCursor selection_;
};

// The lines of the pane's text as the user sees them: its paragraphs, less
// the empty paragraph after the last line break.
QStringList PaneLines(const QTextDocument& document);

}  // namespace desktop
