// pellarocr: the desktop program's entry.
//
// Notes the start time, shows the splash window, creates the main window and
// the tips window, keeps the splash up for at least 1.5 seconds, then shows
// the main window, whose start-up loads the library with the splash's
// progress bar, and runs the event loop. Page files named on the command line
// are opened as the open command opens them (the first one); --recognise
// also recognises it.
//
//   pellarocr [--library DIR] [--recognise] [PAGE...]
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFont>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <cstdio>

#include "platform/UiHooks.h"
#include "shell/QtHooks.h"
#include "shell/UnitMAIN.h"
#include "shell/UnitWelcome.h"

#ifndef PELLAR_VERSION
#define PELLAR_VERSION "unknown"
#endif

namespace {
constexpr qint64 kSplashMilliseconds = 1500;
constexpr int kExitStartFailure = 1;
}  // namespace

int main(int argc, char* argv[]) {
  QElapsedTimer started;
  started.start();
  QApplication application(argc, argv);
  QApplication::setOrganizationName("Pellar软件");
  QApplication::setApplicationName("PellarOCR");
  QApplication::setApplicationVersion(PELLAR_VERSION);
  QApplication::setApplicationDisplayName("PellarOCR");
  QFont font = QApplication::font();
  font.setFamilies({"Noto Sans CJK SC", "WenQuanYi Zen Hei", font.family()});
  QApplication::setFont(font);

  QCommandLineParser options;
  options.setApplicationDescription("PellarOCR: recognises printed Chinese pages.");
  options.addHelpOption();
  options.addVersionOption();
  const QCommandLineOption libraryOption("library", "Folder of the template library and Word.Dat.", "DIR");
  const QCommandLineOption recogniseOption("recognise", "Recognise the page opened from the command line.");
  options.addOption(libraryOption);
  options.addOption(recogniseOption);
  options.addPositionalArgument("PAGE", "Page image to open (the first one is opened).", "[PAGE...]");
  options.process(application);

  desktop::QtHooks hooks;
  platform::SetUi(&hooks);

  auto* splash = new desktop::TFormWelcome;
  splash->show();
  splash->repaint();
  QApplication::processEvents();

  desktop::TFormMain main;
  QString library = options.value(libraryOption);
  if (library.isEmpty()) library = qEnvironmentVariable("PELLAROCR_LIBRARY");
  if (!library.isEmpty()) main.SetLibraryFolder(QFileInfo(library).absoluteFilePath());

  // The splash stays at least 1.5 seconds.
  while (started.elapsed() < kSplashMilliseconds) {
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 50);
    QThread::msleep(20);
  }
  // Maximised; without a window manager the window still fills the screen.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) main.setGeometry(screen->availableGeometry());
  main.showMaximized();
  splash->raise();
  const auto result = main.FormShow([splash](int position) { splash->SetProgress(position); });
  delete splash;
  if (result != app::StartResult::Started) {
    platform::SetUi(nullptr);
    return kExitStartFailure;
  }

  const QStringList pages = options.positionalArguments();
  if (!pages.isEmpty()) {
    const QString page = pages.front();
    const bool recognise = options.isSet(recogniseOption);
    QTimer::singleShot(0, &main, [&main, page, recognise] {
      if (main.OpenDocument(page) && recognise) main.ToolButtonStartClick();
    });
  }
  const int status = QApplication::exec();
  platform::SetUi(nullptr);
  return status;
}
