// The about window (see UnitAbout.h).
#include "shell/UnitAbout.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/UnitWelcome.h"

#ifndef PELLAR_VERSION
#define PELLAR_VERSION "unknown"
#endif

namespace desktop {

TFormAbout::TFormAbout(const QString& settingsFile, const QString& libraryFolder, QWidget* parent)
    : QDialog(parent) {
  setObjectName("FormAbout");
  setWindowTitle("关于PellarOCR");
  auto* title = new QLabel("<b style='font-size:20px'>PellarOCR</b><br>中文印刷体识别系统", this);
  auto* version = new QLabel(QString(kSplashVersion) + "（" + PELLAR_VERSION + "）", this);
  auto* details = new QLabel(QString("设置文件: %1<br>字库目录: %2")
                                 .arg(settingsFile.toHtmlEscaped(), libraryFolder.toHtmlEscaped()),
                             this);
  details->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setText("确定");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title);
  layout->addWidget(version);
  layout->addWidget(details);
  layout->addWidget(buttons);
}

}  // namespace desktop
