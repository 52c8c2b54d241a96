// Helpers of the desktop tests: settings in Qt's test location, headless
// message hooks with scripted answers, a library folder (empty library and
// an empty Word.Dat), pages written to files, scripted file dialogs, a
// recognised page, and answering a modal dialog once it is up.
#pragma once

#include <QImage>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/UiHooks.h"
#include "shell/FileDialogs.h"

namespace desktop_test {

// Qt's test mode for the settings, the program's names, and a clean slate.
void UseTestSettings();
void ClearSettings();

// A folder holding an empty Word.Dat (no library files: an empty library).
QString LibraryFolder(const QTemporaryDir& dir);

// Pages of the usual kinds.
platform::Bitmap WhitePage(int width, int height, uint16_t bitCount);
// A 24-bit page of colour bands, an 8-bit grey ramp, a 1-bit page with
// black boxes.
platform::Bitmap ColourPage(int width, int height);
platform::Bitmap GreyPage(int width, int height);
platform::Bitmap BoxesPage(int width, int height);
QString WriteBmp(const QTemporaryDir& dir, const QString& name, const platform::Bitmap& page);

// What the scripted dialogs were asked and answer.
struct DialogScript {
  QStringList OpenAnswer;
  QStringList OpenFolders;
  // Save dialogs: every proposal is recorded; the answer is a name (a path,
  // or a bare name to go in `SaveFolder`) and a type index, or cancel.
  QStringList SaveProposals;
  QList<int> SaveTypesShown;
  QStringList SaveAnswers;  // one per dialog; "" cancels
  QList<int> SaveTypeAnswers;
  QString SaveFolder;
};

class ScriptedDialogs : public desktop::FileDialogs {
 public:
  explicit ScriptedDialogs(std::shared_ptr<DialogScript> script) : script_(std::move(script)) {}
  QStringList Open(QWidget* parent, const QString& folder) override;
  bool Save(QWidget* parent, desktop::SaveDialogKind kind, QString& name, int& typeIndex) override;

 private:
  std::shared_ptr<DialogScript> script_;
};

// Runs `answer` on the modal dialog of type T as soon as it is shown (from
// the event loop of its exec()).
void WhenModal(std::function<void(QWidget*)> answer);

// Answers the modal dialogs that open while it lives, in order, one answer
// per showing (a dialog shown again gets the next answer); a dialog still
// open under a newer one is not answered twice.
class ModalScript : public QObject {
 public:
  explicit ModalScript(std::deque<std::function<void(QWidget*)>> answers);
  int Answered() const { return answered_; }
  bool Done() const { return answers_.empty(); }

 protected:
  // An answered dialog that hides may be shown again.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QTimer timer_;
  std::deque<std::function<void(QWidget*)>> answers_;
  std::vector<QPointer<QWidget>> open_;
  int answered_ = 0;
};

// Headless hooks installed for a scope.
class ScopedUi {
 public:
  ScopedUi() { platform::SetUi(&Ui); }
  ~ScopedUi() { platform::SetUi(nullptr); }
  ScopedUi(const ScopedUi&) = delete;
  ScopedUi& operator=(const ScopedUi&) = delete;
  platform::HeadlessUi Ui;
};

// Renders two lines of Song text with their ground truth beside `path`
// (a BMP), ready to be taught in learning mode and read back.
bool RenderTaughtPage(const QString& path, QString* error);

}  // namespace desktop_test
