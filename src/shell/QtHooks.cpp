// Qt binding of the user-interface hooks (see QtHooks.h).
#include "shell/QtHooks.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace desktop {

namespace {
// A run yields at most this often; the screen and the stop command still
// answer at once for a person.
constexpr qint64 kYieldMilliseconds = 15;
}  // namespace

QtHooks::QtHooks() {
  sinceYield_.start();
}

platform::Answer QtHooks::ShowMessage(const std::string& text, platform::MessageIcon icon,
                                      platform::MessageButtons buttons, platform::QuestionId) {
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(kProgramTitle);
  box.setText(QString::fromStdString(text));
  switch (icon) {
    case platform::MessageIcon::Question:
      box.setIcon(QMessageBox::Question);
      break;
    case platform::MessageIcon::Warning:
      box.setIcon(QMessageBox::Warning);
      break;
    case platform::MessageIcon::Error:
      box.setIcon(QMessageBox::Critical);
      break;
    case platform::MessageIcon::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case platform::MessageIcon::None:
      box.setIcon(QMessageBox::NoIcon);
      break;
  }
  switch (buttons) {
    case platform::MessageButtons::Ok:
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case platform::MessageButtons::YesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
    case platform::MessageButtons::YesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
    case platform::MessageButtons::YesNoAll:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::YesToAll);
      break;
  }
  if (box.button(QMessageBox::Yes)) box.button(QMessageBox::Yes)->setText("是(&Y)");
  if (box.button(QMessageBox::No)) box.button(QMessageBox::No)->setText("否(&N)");
  if (box.button(QMessageBox::Cancel)) box.button(QMessageBox::Cancel)->setText("取消");
  if (box.button(QMessageBox::Ok)) box.button(QMessageBox::Ok)->setText("确定");
  if (box.button(QMessageBox::YesToAll)) box.button(QMessageBox::YesToAll)->setText("全部(&A)");
  // The busy cursor must not hide the pointer over a question.
  const bool wasBusy = busy_;
  if (wasBusy) SetBusyCursor(false);
  const int result = box.exec();
  if (wasBusy) SetBusyCursor(true);
  switch (result) {
    case QMessageBox::Ok:
      return platform::Answer::Ok;
    case QMessageBox::Yes:
      return platform::Answer::Yes;
    case QMessageBox::No:
      return platform::Answer::No;
    case QMessageBox::Cancel:
      return platform::Answer::Cancel;
    case QMessageBox::YesToAll:
      return platform::Answer::All;
    default:
      break;
  }
  // Closed with Escape or the title bar: the safe answer.
  switch (buttons) {
    case platform::MessageButtons::Ok:
      return platform::Answer::Ok;
    case platform::MessageButtons::YesNoCancel:
      return platform::Answer::Cancel;
    default:
      return platform::Answer::No;
  }
}

void QtHooks::ProcessMessages() {
  if (sinceYield_.elapsed() < kYieldMilliseconds) return;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  sinceYield_.restart();
}

void QtHooks::SetBusyCursor(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

}  // namespace desktop
