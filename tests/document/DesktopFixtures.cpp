// Helpers of the desktop tests (see DesktopFixtures.h).
#include "DesktopFixtures.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#include "formats/BmpCodec.h"
#include "library/WordPairs.h"
#include "support/CorrectionFixtures.h"

namespace desktop_test {

void UseTestSettings() {
  QStandardPaths::setTestModeEnabled(true);
  QCoreApplication::setOrganizationName("Pellar软件");
  QCoreApplication::setApplicationName("PellarOCR");
  ClearSettings();
}

void ClearSettings() {
  QSettings settings;
  settings.clear();
  settings.sync();
}

QString LibraryFolder(const QTemporaryDir& dir) {
  const QString folder = dir.filePath("library");
  QDir().mkpath(folder);
  QFile wordPairs(folder + "/Word.Dat");
  if (!wordPairs.exists() && wordPairs.open(QIODevice::WriteOnly)) {
    wordPairs.write(QByteArray(static_cast<int>(library::kWordPairIndexBytes), '\0'));
  }
  return folder;
}

platform::Bitmap WhitePage(int width, int height, uint16_t bitCount) {
  platform::Bitmap page(width, height, bitCount);
  if (bitCount == 1) return page;  // entry 0 white, all bits 0
  std::fill(page.Bits().begin(), page.Bits().end(), static_cast<uint8_t>(0xFF));
  return page;
}

platform::Bitmap ColourPage(int width, int height) {
  platform::Bitmap page(width, height, 24);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = page.Row(y);
    for (int x = 0; x < width; ++x) {
      row[3 * x] = static_cast<uint8_t>(x * 7);
      row[3 * x + 1] = static_cast<uint8_t>(y * 5);
      row[3 * x + 2] = static_cast<uint8_t>((x + y) * 3);
    }
  }
  return page;
}

platform::Bitmap GreyPage(int width, int height) {
  platform::Bitmap page(width, height, 8);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = page.Row(y);
    for (int x = 0; x < width; ++x) row[x] = static_cast<uint8_t>((x * 255) / std::max(1, width - 1));
  }
  return page;
}

platform::Bitmap BoxesPage(int width, int height) {
  platform::Bitmap page(width, height, 1);
  for (int y = height / 4; y < height / 2; ++y) {
    for (int x = width / 5; x < width / 5 + 20 && x < width; ++x)
      page.Row(y)[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
  }
  return page;
}

QString WriteBmp(const QTemporaryDir& dir, const QString& name, const platform::Bitmap& page) {
  const QString path = dir.filePath(name);
  formats::WriteBmpFile(path.toStdString(), page);
  return path;
}

QStringList ScriptedDialogs::Open(QWidget*, const QString& folder) {
  script_->OpenFolders.push_back(folder);
  return script_->OpenAnswer;
}

bool ScriptedDialogs::Save(QWidget*, desktop::SaveDialogKind, QString& name, int& typeIndex) {
  script_->SaveProposals.push_back(name);
  script_->SaveTypesShown.push_back(typeIndex);
  if (script_->SaveAnswers.isEmpty()) return false;
  const QString answer = script_->SaveAnswers.takeFirst();
  const int type = script_->SaveTypeAnswers.isEmpty() ? typeIndex : script_->SaveTypeAnswers.takeFirst();
  if (answer.isEmpty()) return false;
  name = QFileInfo(answer).isAbsolute() ? answer : QDir(script_->SaveFolder).filePath(answer);
  typeIndex = type;
  return true;
}

void WhenModal(std::function<void(QWidget*)> answer) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, answer] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    timer->stop();
    timer->deleteLater();
    answer(modal);
  });
  timer->start();
}

ModalScript::ModalScript(std::deque<std::function<void(QWidget*)>> answers) : answers_(std::move(answers)) {
  timer_.setInterval(10);
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || answers_.empty()) return;
    for (const QPointer<QWidget>& answered : open_) {
      if (answered == modal) return;
    }
    open_.emplace_back(modal);
    modal->installEventFilter(this);
    auto answer = std::move(answers_.front());
    answers_.pop_front();
    ++answered_;
    answer(modal);
  });
  timer_.start();
}

bool ModalScript::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Hide) {
    std::erase_if(open_, [watched](const QPointer<QWidget>& w) { return w.isNull() || w == watched; });
    watched->removeEventFilter(this);
  }
  return false;
}

bool RenderTaughtPage(const QString& path, QString* error) {
  correction_test::GroundTruthPage taught;
  std::string why;
  if (!correction_test::RenderGroundTruthPage(
          {"春天来了，山上的树木都长出了新的叶子，河里的水也慢慢地流得快起来。",
           "我们在学校里读书写字，每天早上八点开始上课，下午四点半回家。"},
          1400, 500, path.toStdString(), taught, &why)) {
    if (error) *error = QString::fromStdString(why);
    return false;
  }
  return formats::WriteBmpFile(path.toStdString(), taught.Page.Page);
}

}  // namespace desktop_test
