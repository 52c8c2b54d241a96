// The learning input box (see UnitInputBox.h).
#include "library/ui/UnitInputBox.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace library_ui {

namespace {
constexpr int kClientWidth = 296;
constexpr int kClientHeight = 95;
// Where the box stands over its parent: near the top right, clear of the
// text pane that shows the line and its ruler.
constexpr int kRightMargin = 40;
constexpr int kTopMargin = 110;
}  // namespace

TFormInputBox::TFormInputBox(QWidget* parent) : QDialog(parent) {
  setObjectName("FormInputBox");
  setWindowTitle("请输入(-1表示结束,-2改变模式)");
  setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint |
                 Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(kClientWidth, kClientHeight);
  Edit1 = new QLineEdit;
  Edit1->setObjectName("Edit1");
  // Numbers and commas: no input method.
  Edit1->setAttribute(Qt::WA_InputMethodEnabled, false);
  Button1 = new QPushButton("继续");
  Button1->setObjectName("Button1");
  Button1->setDefault(true);
  Button2 = new QPushButton("结束");
  Button2->setObjectName("Button2");
  Button2->setAutoDefault(false);
  Button3 = new QPushButton("改模式");
  Button3->setObjectName("Button3");
  Button3->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  buttons->addWidget(Button3);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Edit1);
  layout->addLayout(buttons);
  connect(Button1, &QPushButton::clicked, this, &QWidget::hide);
  connect(Button2, &QPushButton::clicked, this, [this] {
    Edit1->setText("-1");
    hide();
  });
  connect(Button3, &QPushButton::clicked, this, [this] {
    Edit1->setText("-2");
    hide();
  });
}

void TFormInputBox::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (QWidget* owner = parentWidget()) {
    const QRect area = owner->geometry();
    move(area.right() - width() - kRightMargin, area.top() + kTopMargin);
  }
  Edit1->clear();
  activateWindow();
  Edit1->setFocus();
}

}  // namespace library_ui
