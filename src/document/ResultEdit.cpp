// The result text pane (see ResultEdit.h).
#include "document/ResultEdit.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>

#include "platform/Encoding.h"

namespace desktop {

namespace {

bool IsTyping(const QKeyEvent* event) {
  const QString text = event->text();
  if (text.isEmpty()) return false;
  if (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return false;
  for (const QChar c : text) {
    if (!c.isPrint()) return false;
  }
  return true;
}

}  // namespace

RxRichEdit::RxRichEdit(QWidget* parent) : QTextEdit(parent) {
  setObjectName("RxRichEdit1");
  setAcceptRichText(false);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  setLineWrapMode(QTextEdit::NoWrap);
  // The caret is drawn here (RxRichEdit::paintEvent).
  setCursorWidth(0);
}

QTextCharFormat RxRichEdit::TypingFormat() const {
  QTextCharFormat format;
  format.setFont(document()->defaultFont());
  format.setForeground(QColor(Qt::black));
  return format;
}

void RxRichEdit::SetCaret(int width, int height) {
  viewport()->update(CaretRect());
  caretWidth_ = width;
  caretHeight_ = height;
  RestartBlink();
}

QRect RxRichEdit::CaretRect() const {
  const QRect line = cursorRect();
  return QRect(line.left(), line.center().y() - caretHeight_ / 2 + 1, caretWidth_, caretHeight_);
}

void RxRichEdit::RestartBlink() {
  caretOn_ = true;
  if (hasFocus()) {
    const int flash = QApplication::cursorFlashTime();
    if (flash > 0) blink_.start(flash / 2, this);
  }
  viewport()->update(CaretRect().adjusted(-1, -1, 1, 1));
}

void RxRichEdit::timerEvent(QTimerEvent* event) {
  if (event->timerId() == blink_.timerId()) {
    caretOn_ = !caretOn_;
    viewport()->update(CaretRect().adjusted(-1, -1, 1, 1));
    return;
  }
  QTextEdit::timerEvent(event);
}

void RxRichEdit::paintEvent(QPaintEvent* event) {
  QTextEdit::paintEvent(event);
  if (!hasFocus() || !caretOn_ || isReadOnly()) return;
  QPainter painter(viewport());
  painter.setCompositionMode(QPainter::CompositionMode_Difference);
  painter.fillRect(CaretRect(), Qt::white);
}

bool RxRichEdit::event(QEvent* event) {
  // Undo and redo keys belong to the text while it has the focus, before any
  // menu shortcut that uses the same keys.
  if (event->type() == QEvent::ShortcutOverride && !isReadOnly()) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)) {
      event->accept();
      return true;
    }
  }
  return QTextEdit::event(event);
}

void RxRichEdit::keyPressEvent(QKeyEvent* event) {
  if (OnKeyDown) OnKeyDown(event);
  const QRect before = CaretRect().adjusted(-1, -1, 1, 1);
  if (event->matches(QKeySequence::Undo)) {
    if (OnUndo) OnUndo();
    event->accept();
  } else if (event->matches(QKeySequence::Redo)) {
    if (OnRedo) OnRedo();
    event->accept();
  } else if (!isReadOnly() && IsTyping(event)) {
    // Typed text is black and plain; in overwrite mode it replaces the
    // character after the caret (not the line break) in the same edit, so
    // the window sees one replacement.
    QTextCursor cursor = textCursor();
    if (overwriteMode() && !cursor.hasSelection() && !cursor.atBlockEnd()) {
      cursor.beginEditBlock();
      cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor,
                          static_cast<int>(event->text().size()));
      cursor.insertText(event->text(), TypingFormat());
      cursor.endEditBlock();
    } else {
      // Consecutive typing merges into one undo step, as in any editor.
      cursor.insertText(event->text(), TypingFormat());
    }
    setTextCursor(cursor);
    ensureCursorVisible();
    event->accept();
  } else {
    QTextEdit::keyPressEvent(event);
  }
  viewport()->update(before);
  RestartBlink();
}

void RxRichEdit::keyReleaseEvent(QKeyEvent* event) {
  QTextEdit::keyReleaseEvent(event);
  if (OnKeyUp) OnKeyUp(event);
}

void RxRichEdit::inputMethodEvent(QInputMethodEvent* event) {
  if (!event->commitString().isEmpty() && !textCursor().hasSelection()) setCurrentCharFormat(TypingFormat());
  QTextEdit::inputMethodEvent(event);
}

void RxRichEdit::mousePressEvent(QMouseEvent* event) {
  const QRect before = CaretRect().adjusted(-1, -1, 1, 1);
  QTextEdit::mousePressEvent(event);
  viewport()->update(before);
  RestartBlink();
  if (OnMouseDown) OnMouseDown(event->button());
}

void RxRichEdit::mouseReleaseEvent(QMouseEvent* event) {
  QTextEdit::mouseReleaseEvent(event);
  if (OnMouseUp) OnMouseUp(event->button());
}

void RxRichEdit::focusInEvent(QFocusEvent* event) {
  QTextEdit::focusInEvent(event);
  RestartBlink();
  if (OnEnter) OnEnter();
}

void RxRichEdit::focusOutEvent(QFocusEvent* event) {
  QTextEdit::focusOutEvent(event);
  blink_.stop();
  viewport()->update(CaretRect().adjusted(-1, -1, 1, 1));
}

void RxRichEdit::contextMenuEvent(QContextMenuEvent* event) {
  QMenu* menu = createStandardContextMenu(event->pos());
  for (QAction* action : menu->actions()) {
    if (action->objectName() == "edit-undo") {
      disconnect(action, &QAction::triggered, nullptr, nullptr);
      connect(action, &QAction::triggered, this, [this] {
        if (OnUndo) OnUndo();
      });
    } else if (action->objectName() == "edit-redo") {
      disconnect(action, &QAction::triggered, nullptr, nullptr);
      connect(action, &QAction::triggered, this, [this] {
        if (OnRedo) OnRedo();
      });
    }
  }
  menu->exec(event->globalPos());
  delete menu;
}

bool RxRichEdit::canInsertFromMimeData(const QMimeData* source) const {
  // Dropped files are pages for the main window, not text.
  if (source->hasUrls()) return false;
  return source->hasText();
}

void RxRichEdit::insertFromMimeData(const QMimeData* source) {
  if (!source->hasText() || isReadOnly()) return;
  QTextCursor cursor = textCursor();
  cursor.insertText(source->text(), TypingFormat());
  setTextCursor(cursor);
  ensureCursorVisible();
}

QStringList PaneLines(const QTextDocument& document) {
  QStringList lines;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
    lines.push_back(block.text());
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.pop_back();
  return lines;
}

void QtResultPane::Clear() {
  selection_ = QTextCursor();
  edit_.document()->clear();
}

void QtResultPane::AppendLine(const std::string& gbkLine) {
  QTextCursor cursor(edit_.document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(QString::fromStdString(platform::GbkToUtf8(gbkLine)), edit_.TypingFormat());
  cursor.insertBlock();
}

void QtResultPane::SetText(const std::string& gbkText) {
  Clear();
  size_t start = 0;
  while (start < gbkText.size()) {
    size_t end = gbkText.find('\n', start);
    if (end == std::string::npos) end = gbkText.size();
    AppendLine(gbkText.substr(start, end - start));
    start = end + 1;
  }
}

std::vector<std::string> QtResultPane::Lines() const {
  std::vector<std::string> lines;
  for (const QString& line : PaneLines(*edit_.document()))
    lines.push_back(platform::Utf8ToGbk(line.toStdString()));
  return lines;
}

std::string QtResultPane::Text() const {
  std::string text;
  for (const std::string& line : Lines()) text += line + "\n";
  return text;
}

int32_t QtResultPane::TextLength() const {
  // Every position but the document's own end.
  return edit_.document()->characterCount() - 1;
}

void QtResultPane::Select(int32_t start, int32_t length) {
  const int32_t total = TextLength();
  start = std::clamp(start, 0, total);
  length = length < 0 ? total - start : std::min(length, total - start);
  selection_ = QTextCursor(edit_.document());
  selection_.setPosition(start);
  selection_.setPosition(start + length, QTextCursor::KeepAnchor);
}

void QtResultPane::SetSelectionColour(uint32_t rgb) {
  if (selection_.isNull() || !selection_.hasSelection()) return;
  QTextCharFormat format;
  format.setForeground(QColor(QRgb(rgb)));
  selection_.mergeCharFormat(format);
}

}  // namespace desktop
