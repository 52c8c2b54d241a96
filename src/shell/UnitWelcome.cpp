// The splash window (see UnitWelcome.h): a picture on the left (a page with
// a character under a magnifier, drawn here), the product name, the version
// and the progress bar at the bottom right.
#include "shell/UnitWelcome.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QScreen>

namespace desktop {

namespace {
constexpr int kClientWidth = 421;
constexpr int kClientHeight = 284;
constexpr int kLastTable = 31;
}  // namespace

TFormWelcome::TFormWelcome(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
  setObjectName("FormWelcome");
  setWindowTitle("PellarOCR");
  setFixedSize(kClientWidth, kClientHeight);
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setRange(0, kLastTable);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setGeometry(kClientWidth - 177 - 16, kClientHeight - 18 - 16, 177, 18);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

void TFormWelcome::SetProgress(int position) {
  ProgressBar1->setValue(position);
  ProgressBar1->repaint();
}

void TFormWelcome::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillRect(rect(), QColor(0xF4, 0xF1, 0xE8));
  // The picture: a page of text lines with one character under a lens.
  const QRect picture(0, 0, 150, kClientHeight);
  QLinearGradient shade(picture.topLeft(), picture.bottomRight());
  shade.setColorAt(0, QColor(0x1F, 0x4E, 0x79));
  shade.setColorAt(1, QColor(0x12, 0x2B, 0x45));
  painter.fillRect(picture, shade);
  const QRect page(28, 40, 94, 128);
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::white);
  painter.drawRect(page);
  painter.setBrush(QColor(0x9A, 0xA5, 0xB1));
  for (int i = 0; i < 7; ++i)
    painter.drawRect(page.left() + 10, page.top() + 14 + i * 15, i % 3 == 2 ? 50 : 74, 5);
  QFont glyph;
  glyph.setFamilies({"Noto Serif CJK SC", "AR PL UMing CN"});
  glyph.setPixelSize(54);
  painter.setPen(QColor(0xC0, 0x1E, 0x1E));
  painter.setFont(glyph);
  painter.drawText(QRect(40, 150, 90, 80), Qt::AlignCenter, "识");
  painter.setPen(QPen(QColor(0xF2, 0xC1, 0x4E), 5));
  painter.setBrush(Qt::NoBrush);
  painter.drawEllipse(QPoint(85, 190), 36, 36);
  painter.drawLine(111, 216, 134, 240);

  QFont title;
  title.setFamilies({"Noto Sans CJK SC", "WenQuanYi Zen Hei"});
  title.setPixelSize(34);
  title.setBold(true);
  painter.setFont(title);
  painter.setPen(QColor(0x1F, 0x4E, 0x79));
  painter.drawText(QRect(168, 54, 240, 44), Qt::AlignLeft | Qt::AlignVCenter, "PellarOCR");
  QFont text;
  text.setFamilies({"Noto Sans CJK SC", "WenQuanYi Zen Hei"});
  text.setPixelSize(18);
  painter.setFont(text);
  painter.setPen(QColor(0x33, 0x33, 0x33));
  painter.drawText(QRect(170, 104, 240, 28), Qt::AlignLeft | Qt::AlignVCenter, "中文印刷体识别系统");
  text.setPixelSize(13);
  painter.setFont(text);
  painter.setPen(QColor(0x55, 0x55, 0x55));
  painter.drawText(QRect(170, 140, 240, 22), Qt::AlignLeft | Qt::AlignVCenter, kSplashVersion);
  painter.drawText(QRect(170, kClientHeight - 60, 240, 20), Qt::AlignLeft | Qt::AlignVCenter,
                   "正在读入字库…");
}

}  // namespace desktop
