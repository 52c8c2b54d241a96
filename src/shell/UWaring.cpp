// The tips window (see UWaring.h).
#include "shell/UWaring.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace desktop {

QStringList TFWaring::Lines() {
  return {"  识别错误太多，可能是以下原因造成的：",
          "  1.文字太小，分辨率不足300dpi",
          "  解决方法:请用更高的分辨率重新扫描,5号字体至少需要300dpi。",
          "  2.图片倾斜了",
          "  解决方法:选择菜单的“自动倾斜更正”、“手动倾斜更正”功能。",
          "  3.图片中有大量杂点 ",
          "  解决方法:扫描时把亮度阀值调小一点(默认是128)，不同扫描仪的设",
          "置位置不同。",
          "  ",
          "  我们的OCR系统识别准确率应该在99.5%以上，不清晰文档的准确率也",
          "应该在90%以上。如果按上述方法仍然无法解决，请与我们联系。"};
}

TFWaring::TFWaring(QWidget* parent) : QDialog(parent) {
  setObjectName("FWaring");
  setWindowTitle("温馨提示");
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setReadOnly(true);
  Memo1->setPlainText(Lines().join('\n'));
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setMinimumSize(560, 240);
  Button1 = new QPushButton("确定", this);
  Button1->setObjectName("Button1");
  Button1->setDefault(true);
  CheckBox1 = new QCheckBox("以后不再显示此窗口", this);
  CheckBox1->setObjectName("CheckBox1");
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(CheckBox1);
  bottom->addStretch(1);
  bottom->addWidget(Button1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Memo1, 1);
  layout->addLayout(bottom);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
  connect(CheckBox1, &QCheckBox::toggled, this, [this](bool checked) {
    if (OnShowTipsChanged) OnShowTipsChanged(!checked);
  });
}

void TFWaring::SetShowTips(bool showTips) {
  const QSignalBlocker blocker(CheckBox1);
  CheckBox1->setChecked(!showTips);
}

}  // namespace desktop
