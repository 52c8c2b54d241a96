// The main window `TFormMain`: the multiple-document
// frame "Pellar识别" with its menus, toolbar `ToolBar2` and status line, the
// settings, the recent-file list, the start-up that loads the library, every
// command of the menus and the toolbar, and the shutdown that asks every
// document its close question and writes the library back after learning.
//
// While a recognition runs (it yields to the event loop), every command but
// "停止" is disabled; closing a window then stops the run and closes it
// when the run has ended.
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>

#include "app/EngineStartup.h"
#include "document/UnitCHILDWIN.h"
#include "input/AcquireImage.h"
#include "shell/FileDialogs.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;

namespace library_ui {
class DesktopLearningWindows;
class TFormDisplay;
class TFormInputBox;
}  // namespace library_ui

namespace desktop {

class TFWaring;

class TFormMain : public QMainWindow, public DocumentHost {
  Q_OBJECT
 public:
  // FormCreate. `dialogs` answers the file dialogs (the real ones when null).
  explicit TFormMain(std::unique_ptr<FileDialogs> dialogs = nullptr);
  ~TFormMain() override;

  // Start-up, documents, recent files, shutdown.
  // Finishes the start-up (settings, library with `progress`, Word.Dat,
  // recent files, supervisor mode and the learning question). On a failure
  // the user has been told; the program must end.
  app::StartResult FormShow(const std::function<void(int)>& progress = {});
  bool OpenDocument(const QString& path);
  void DisplayHistory(bool save);
  void MenuClick(int index);
  void UpdateMenuItems();
  // Frees the results and writes the library back after learning; false
  // when that write failed (the program must end at once).
  bool FormClose();
  // Opens a scanned page (no file name) in a new document window.
  void OpenScannedPage(const platform::Bitmap& page);

  // The commands of the menus and the toolbar.
  void OpenCommand();
  void OpenAndRecognise();
  void SaveResults();
  void CopyCharacterBitmap();
  void CopySelectionBitmap();
  void SavePage();
  void CloseDocument();
  void SaveText();
  void ChooseScanner();
  void ScanPage();
  void ToolButtonStartClick();
  void ToolButtonStopClick();
  void CutText();
  void CopyText();
  void PasteText();
  void ZoomIn();
  void ZoomOut();
  void ToggleThumbnail();
  void ColourToGrey();
  void GreyToMono();
  void ManualSkew();
  void AutoSkew();
  void RotateClockwise(int angle);
  void ShowTipsFromMenu();
  void OpenHomePage();
  void ShowAbout();

  TFormMDIChild* ActiveDocument() const;
  QList<TFormMDIChild*> Documents() const;
  bool Running() const { return running_; }
  // The scanner component, created on first use.
  input::TAcquireImage& Scanner();
  // The library folder (before FormShow); the program's folder by default.
  void SetLibraryFolder(const QString& folder) { libraryFolder_ = folder; }
  // The home page "(&N)公司主页" opens.
  static QUrl HomePage();

  // State.
  QStringList RecentFiles;
  QAction* RecentItems[10];
  bool ScannerSelected = false;
  QString LastDir;
  QString PrevSaveName, LastSaveName;
  bool ShowTips = true;
  int SaveDialog1Type = 1;
  int SaveDialogTextType = 1;

  // Components.
  QMdiArea* MdiArea;
  QToolBar* ToolBar2;
  TFWaring* FWaring;
  library_ui::TFormDisplay* FormDisplay;      // the library window
  library_ui::TFormInputBox* FormInputBox;    // the learning input box
  QMenu* FileMenu;
  QMenu* AdvancedMenu;  // "(&G)高级设置"
  QMenu* RecentMenu;    // "(F)最近的文件"
  QMenu* EditMenu;
  QMenu* ConvertMenu;
  QMenu* SkewMenu;
  QMenu* RotateMenu;
  QMenu* HelpMenu;
  QAction *OpenAction, *SaveResultsAction, *OpenRecogniseAction, *CopyCharAction, *CopySelectionAction;
  QAction *SaveAsAction, *CloseAction, *SaveTextAction, *ScanSourceAction, *ScanAction, *RecogniseAction;
  QAction *StopAction, *ExitAction;
  QAction *CutAction, *CopyAction, *PasteAction, *ZoomInAction, *ZoomOutAction, *ThumbnailAction;
  QAction *GreyAction, *MonoAction, *ManualSkewAction, *AutoSkewAction, *Rotate90Action, *Rotate180Action,
      *Rotate270Action;
  QAction *TipsAction, *HomeAction, *AboutAction;
  QAction *ToolButton1, *ToolButton2, *Toolzoomin, *Toolzoomout, *ToolButtonStart, *ToolButtonStop;

  // DocumentHost.
  bool ShowTipsSetting() const override { return ShowTips; }
  void ShowTipsWindow() override;
  void SetMainStatus(const QString& text) override;
  void SavePageCommand(TFormMDIChild& document) override;
  void ForgetOtherResults(TFormMDIChild& running) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void CreateMenus();
  void CreateToolBar();
  QAction* AddCommand(QMenu* menu, const QString& caption, const QString& hint, const QKeySequence& shortcut,
                      void (TFormMain::*command)());
  // Runs a command, reporting an error it raises once (Conventions).
  void Guarded(const std::function<void()>& command);
  void SavePageOf(TFormMDIChild& document);
  // Puts the view's pixels inside the box's frame on the clipboard.
  void CopyInsideBox(const TFormMDIChild& document, const PageRect& box);
  void AddRecentTop(const QString& path);
  QMdiSubWindow* FrameOf(const TFormMDIChild* document) const;
  bool CloseActiveDocument();

  std::unique_ptr<FileDialogs> dialogs_;
  std::unique_ptr<library_ui::DesktopLearningWindows> learningWindows_;
  std::unique_ptr<input::TAcquireImage> scanner_;
  QString libraryFolder_;
  QString lastSaveFolder_;
  bool running_ = false;
  bool batchRunning_ = false;
  bool scanning_ = false;
  bool closeAfterRun_ = false;
  bool engineStarted_ = false;
  bool engineClosed_ = false;
  QLabel* emptyLibraryLabel_ = nullptr;  // shown while the library holds no character
};

}  // namespace desktop
