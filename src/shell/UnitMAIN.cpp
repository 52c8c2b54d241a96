// The main window (see UnitMAIN.h).
#include "shell/UnitMAIN.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QLabel>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <cmath>

#include "app/PagePreparation.h"
#include "document/EngineBridge.h"
#include "formats/BmpCodec.h"
#include "imaging/ColourConvert.h"
#include "imaging/Rotation.h"
#include "imaging/UIncline.h"
#include "imaging/ui/UnitColorChg.h"
#include "imaging/ui/UnitRotate.h"
#include "input/ImageLoading.h"
#include "input/ui/TwainDialogs.h"
#include "learning/LearningDialogue.h"
#include "library/ui/DesktopLearningWindows.h"
#include "library/ui/UnitDisplay.h"
#include "library/ui/UnitInputBox.h"
#include "platform/GlobalMemory.h"
#include "platform/PageBits.h"
#include "platform/UiHooks.h"
#include "shell/SaveNaming.h"
#include "shell/TextFiles.h"
#include "shell/UWaring.h"
#include "shell/UnitAbout.h"

namespace desktop {

namespace {

constexpr int kRecentCount = 10;
constexpr double kZoomFactor = 1.5;
constexpr int kMinThumbnailWidth = 10;
constexpr int kToolBarHeight = 30;

const char* const kDisplayWaringKey = "DisplayWaring";
const char* const kThumbnailKey = "显示略图";
const char* const kSupervisorKey = "supervisor";
const char* const kLearningQuestion = "是否进入智能学习方式？";
const char* const kLibraryError = "读字库文件出错!";
const char* const kSaveError = "保存出错!";
const char* const kMonoAlready = "已经是单色位图!";
const char* const kMonoNoGrey = "已经是单色位图!不必转为灰度.";
const char* const kGreyFirst = "请先转为256色灰度图!";
const char* const kMonoOnly = "只支持单色图像的旋转";
const char* const kRedWriteError = "写.RED文件出错！";
const char* const kNoFileName = "位图还没有文件名，请先用“位图另存为”保存。";
const char* const kNoScanner = "没有找到扫描设备";
const char* const kScannerError = "出错啦！";
const char* const kLibraryChangedQuestion =
    "字库文件在程序运行期间被其他程序修改过。\n要用本次学习后的字库覆盖它们吗？\n(选“否”则保留磁盘上的字库，本次学习的内容不保存)";
const char* const kEmptyLibrary = "字库为空，学习之前不能识别";
const char* const kMorePages = "此文件共有%1页，只打开了第1页";

// The hourglass for the length of a command, restored in every case.
class BusyCursor {
 public:
  BusyCursor() { platform::Ui().SetBusyCursor(true); }
  ~BusyCursor() { platform::Ui().SetBusyCursor(false); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

QString FileNameOnly(const QString& path) {
  return QFileInfo(path).fileName();
}

// Icons drawn here for the commands without a standard one.
QIcon ZoomIcon(bool in) {
  QPixmap pixmap(24, 24);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 2));
  painter.setBrush(QColor(0xDD, 0xEE, 0xFF));
  painter.drawEllipse(QPointF(10, 10), 7, 7);
  painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 3));
  painter.drawLine(QPointF(15, 15), QPointF(21, 21));
  painter.setPen(QPen(QColor(0x20, 0x50, 0x90), 2));
  painter.drawLine(QPointF(6.5, 10), QPointF(13.5, 10));
  if (in) painter.drawLine(QPointF(10, 6.5), QPointF(10, 13.5));
  return QIcon(pixmap);
}

}  // namespace

TFormMain::TFormMain(std::unique_ptr<FileDialogs> dialogs) : dialogs_(std::move(dialogs)) {
  if (!dialogs_) dialogs_ = std::make_unique<QtFileDialogs>();
  setObjectName("FormMain");
  setWindowTitle("Pellar识别");
  setAcceptDrops(true);
  MdiArea = new QMdiArea(this);
  MdiArea->setObjectName("MdiArea");
  MdiArea->setBackground(palette().brush(QPalette::Dark));
  setCentralWidget(MdiArea);
  FWaring = new TFWaring(this);
  FWaring->OnShowTipsChanged = [this](bool showTips) {
    ShowTips = showTips;
    QSettings settings;
    settings.setValue(kDisplayWaringKey, showTips ? 1 : 0);
  };
  FormDisplay = new library_ui::TFormDisplay(this);
  FormInputBox = new library_ui::TFormInputBox(this);
  learningWindows_ = std::make_unique<library_ui::DesktopLearningWindows>(*FormInputBox, *FormDisplay);
  learning::SetLearningWindows(learningWindows_.get());
  CreateMenus();
  CreateToolBar();
  statusBar()->setObjectName("StatusBar");
  emptyLibraryLabel_ = new QLabel(kEmptyLibrary, this);
  emptyLibraryLabel_->setObjectName("EmptyLibraryLabel");
  emptyLibraryLabel_->hide();
  statusBar()->addPermanentWidget(emptyLibraryLabel_);
  // FormCreate: context on; the commands follow the active window.
  connect(MdiArea, &QMdiArea::subWindowActivated, this, [this] { UpdateMenuItems(); });
  UpdateMenuItems();
}

TFormMain::~TFormMain() {
  // Documents go before the engine's results they point into.
  for (QMdiSubWindow* frame : MdiArea->subWindowList()) delete frame;
  if (&learning::Windows() == learningWindows_.get()) learning::SetLearningWindows(nullptr);
}

QAction* TFormMain::AddCommand(QMenu* menu, const QString& caption, const QString& hint,
                               const QKeySequence& shortcut, void (TFormMain::*command)()) {
  auto* action = new QAction(caption, this);
  if (!hint.isEmpty()) {
    // Short text | long text: the tool tip and the status line.
    const qsizetype bar = hint.indexOf('|');
    action->setToolTip(bar < 0 ? hint : hint.left(bar));
    action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
  }
  if (!shortcut.isEmpty()) action->setShortcut(shortcut);
  if (command != nullptr)
    connect(action, &QAction::triggered, this,
            [this, command] { Guarded([this, command] { (this->*command)(); }); });
  if (menu != nullptr) menu->addAction(action);
  return action;
}

void TFormMain::CreateMenus() {
  FileMenu = menuBar()->addMenu("(&F)文件");
  OpenAction =
      AddCommand(FileMenu, "(&O)打开位图", "打开|打开文件", QKeySequence("Ctrl+O"), &TFormMain::OpenCommand);
  AdvancedMenu = FileMenu->addMenu("(&G)高级设置");
  SaveResultsAction = AddCommand(AdvancedMenu, "(&S)保存识别结果", "", {}, &TFormMain::SaveResults);
  OpenRecogniseAction = AddCommand(AdvancedMenu, "(&A)打开并识别", "", {}, &TFormMain::OpenAndRecognise);
  CopyCharAction = AddCommand(AdvancedMenu, "(M)拷贝汉字的位图", "", {}, &TFormMain::CopyCharacterBitmap);
  CopySelectionAction =
      AddCommand(AdvancedMenu, "(N)拷贝选择的位图", "", {}, &TFormMain::CopySelectionBitmap);
  AdvancedMenu->menuAction()->setVisible(false);
  SaveAsAction = AddCommand(FileMenu, "(&L)位图另存为", "另存|另存为", {}, &TFormMain::SavePage);
  CloseAction =
      AddCommand(FileMenu, "(&C)关闭", "关闭|关闭文件", QKeySequence("Ctrl+G"), &TFormMain::CloseDocument);
  SaveTextAction = AddCommand(FileMenu, "(&S)保存结果", "", QKeySequence("Ctrl+S"), &TFormMain::SaveText);
  FileMenu->addSeparator();
  // Ctrl+Z runs the scanner choice when the focus is not in a text pane;
  // there it is the text's undo (the pane takes the key first).
  ScanSourceAction =
      AddCommand(FileMenu, "(&Z)扫描设备", "", QKeySequence("Ctrl+Z"), &TFormMain::ChooseScanner);
  ScanAction = AddCommand(FileMenu, "(&D)扫描", "", QKeySequence("Ctrl+D"), &TFormMain::ScanPage);
  FileMenu->addSeparator();
  RecogniseAction = AddCommand(FileMenu, "(&R)识别", "识别|识别文字", QKeySequence("Ctrl+R"),
                               &TFormMain::ToolButtonStartClick);
  StopAction =
      AddCommand(FileMenu, "(&B)停止", "停止", QKeySequence("Ctrl+B"), &TFormMain::ToolButtonStopClick);
  FileMenu->addSeparator();
  RecentMenu = FileMenu->addMenu("(F)最近的文件");
  for (int i = 0; i < kRecentCount; ++i) {
    RecentItems[i] = new QAction(this);
    RecentItems[i]->setData(i);
    RecentItems[i]->setVisible(false);
    connect(RecentItems[i], &QAction::triggered, this, [this, i] { Guarded([this, i] { MenuClick(i); }); });
    RecentMenu->addAction(RecentItems[i]);
  }
  FileMenu->addSeparator();
  // Ctrl+Z belongs to the first entry that names it, "(&Z)扫描设备"; the
  // exit entry shows the key without taking it.
  ExitAction = AddCommand(FileMenu, "(&Z)退出\tCtrl+Z", "Exit|Exit application", {}, nullptr);
  connect(ExitAction, &QAction::triggered, this, &QWidget::close);

  EditMenu = menuBar()->addMenu("(&E)编辑");
  CutAction = AddCommand(EditMenu, "(&X)剪切", "", {}, &TFormMain::CutText);
  CopyAction = AddCommand(EditMenu, "(&C)拷贝", "", {}, &TFormMain::CopyText);
  PasteAction = AddCommand(EditMenu, "(&V)粘贴", "", {}, &TFormMain::PasteText);
  EditMenu->addSeparator();
  ZoomInAction = AddCommand(EditMenu, "放大", "", {}, &TFormMain::ZoomIn);
  ZoomOutAction = AddCommand(EditMenu, "缩小", "", {}, &TFormMain::ZoomOut);
  ThumbnailAction = AddCommand(EditMenu, "(&D)显示略图", "", {}, nullptr);
  ThumbnailAction->setCheckable(true);
  ThumbnailAction->setChecked(true);
  // The command inverts the mark itself.
  connect(ThumbnailAction, &QAction::triggered, this, [this] {
    ThumbnailAction->setChecked(!ThumbnailAction->isChecked());
    Guarded([this] { ToggleThumbnail(); });
  });

  ConvertMenu = menuBar()->addMenu("(&G)转换");
  GreyAction = AddCommand(ConvertMenu, "(&A)彩色转为灰度", "", {}, &TFormMain::ColourToGrey);
  MonoAction = AddCommand(ConvertMenu, "(&B)灰度转为单色", "", {}, &TFormMain::GreyToMono);
  SkewMenu = ConvertMenu->addMenu("(&F)倾斜更正");
  ManualSkewAction = AddCommand(SkewMenu, "手动", "", {}, &TFormMain::ManualSkew);
  AutoSkewAction = AddCommand(SkewMenu, "自动", "", {}, &TFormMain::AutoSkew);
  RotateMenu = ConvertMenu->addMenu("(&G)顺时针旋转");
  Rotate90Action = AddCommand(RotateMenu, "90度", "", {}, nullptr);
  Rotate180Action = AddCommand(RotateMenu, "180度", "", {}, nullptr);
  Rotate270Action = AddCommand(RotateMenu, "270度", "", {}, nullptr);
  connect(Rotate90Action, &QAction::triggered, this, [this] { Guarded([this] { RotateClockwise(90); }); });
  connect(Rotate180Action, &QAction::triggered, this, [this] { Guarded([this] { RotateClockwise(180); }); });
  connect(Rotate270Action, &QAction::triggered, this, [this] { Guarded([this] { RotateClockwise(270); }); });

  HelpMenu = menuBar()->addMenu("(&H)帮助");
  TipsAction = AddCommand(HelpMenu, "(W)温馨提示", "", {}, &TFormMain::ShowTipsFromMenu);
  HomeAction = AddCommand(HelpMenu, "(&N)公司主页", "", QKeySequence("Ctrl+N"), &TFormMain::OpenHomePage);
  HelpMenu->addSeparator();
  AboutAction = AddCommand(HelpMenu, "(&A)关于PellarOCR", "", {}, &TFormMain::ShowAbout);
}

void TFormMain::CreateToolBar() {
  ToolBar2 = addToolBar("ToolBar2");
  ToolBar2->setObjectName("ToolBar2");
  ToolBar2->setMovable(false);
  ToolBar2->setFixedHeight(kToolBarHeight + 4);
  ToolBar2->setIconSize(QSize(20, 20));
  ToolBar2->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  QStyle* look = style();
  ToolButton1 = AddCommand(nullptr, "打开", "打开|打开位图", {}, &TFormMain::OpenCommand);
  ToolButton1->setIcon(look->standardIcon(QStyle::SP_DialogOpenButton));
  ToolButton2 = AddCommand(nullptr, "另存为", "另存为|位图另存为", {}, &TFormMain::SavePage);
  ToolButton2->setIcon(look->standardIcon(QStyle::SP_DialogSaveButton));
  Toolzoomin = AddCommand(nullptr, "放大", "放大", {}, &TFormMain::ZoomIn);
  Toolzoomin->setIcon(ZoomIcon(true));
  Toolzoomout = AddCommand(nullptr, "缩小", "缩小", {}, &TFormMain::ZoomOut);
  Toolzoomout->setIcon(ZoomIcon(false));
  ToolButtonStart = AddCommand(nullptr, "识别", "识别", {}, &TFormMain::ToolButtonStartClick);
  ToolButtonStart->setIcon(look->standardIcon(QStyle::SP_MediaPlay));
  ToolButtonStop = AddCommand(nullptr, "停止识别", "停止识别", {}, &TFormMain::ToolButtonStopClick);
  ToolButtonStop->setIcon(look->standardIcon(QStyle::SP_MediaStop));
  ToolBar2->addAction(ToolButton1);
  ToolBar2->addAction(ToolButton2);
  ToolBar2->addSeparator();
  ToolBar2->addAction(Toolzoomin);
  ToolBar2->addAction(Toolzoomout);
  ToolBar2->addSeparator();
  ToolBar2->addAction(ToolButtonStart);
  ToolBar2->addAction(ToolButtonStop);
  ToolBar2->addSeparator();
  for (QAction* action : ToolBar2->actions()) {
    if (QWidget* button = ToolBar2->widgetForAction(action)) button->setObjectName(action->text());
  }
}

void TFormMain::Guarded(const std::function<void()>& command) {
  try {
    command();
  } catch (const std::exception& error) {
    platform::ShowNotice(error.what());
  }
}

// ---------------------------------------------------------------- start-up, recent files, shutdown

app::StartResult TFormMain::FormShow(const std::function<void(int)>& progress) {
  ScannerSelected = false;
  QSettings settings;
  ShowTips = settings.value(kDisplayWaringKey, 1).toInt() != 0;
  FWaring->SetShowTips(ShowTips);
  ThumbnailAction->setChecked(settings.value(kThumbnailKey, 1).toInt() != 0);
  const QString folder = libraryFolder_.isEmpty() ? QString::fromStdString(ProgramFolder()) : libraryFolder_;
  // Learning mode and the change flag start off.
  const app::StartResult started = StartEngine(folder.toStdString(), progress);
  if (started != app::StartResult::Started) {
    engineClosed_ = true;
    // A damaged Word.Dat has been shown already; the library is told here.
    if (started != app::StartResult::WordPairsUnreadable) {
      platform::ShowNotice(std::string(kLibraryError) + "\n" +
                           QDir::toNativeSeparators(folder).toStdString());
    }
    return started;
  }
  RecentFiles.clear();
  for (int i = 0; i < kRecentCount; ++i) {
    const QString key = QString::number(i);
    if (!settings.contains(key)) continue;
    const QString path = settings.value(key).toString();
    if (!path.isEmpty() && QFileInfo::exists(path)) RecentFiles.push_back(path);
  }
  DisplayHistory(false);
  LearningMode() = false;
  SupervisorMode() = settings.value(kSupervisorKey, 0).toInt() != 0;
  AdvancedMenu->menuAction()->setVisible(SupervisorMode());
  if (SupervisorMode() &&
      platform::AskQuestion(kLearningQuestion, platform::MessageButtons::YesNo) == platform::Answer::Yes) {
    LearningMode() = true;
  }
  engineStarted_ = true;
  UpdateMenuItems();
  return app::StartResult::Started;
}

bool TFormMain::OpenDocument(const QString& givenPath) {
  const QString path = QFileInfo(givenPath).absoluteFilePath();
  if (!CloseActiveDocument()) return false;
  auto* document = new TFormMDIChild(this);
  document->FileName = path;
  document->SetThumbnailVisible(ThumbnailAction->isChecked());
  QMdiSubWindow* frame = MdiArea->addSubWindow(document);
  frame->setAttribute(Qt::WA_DeleteOnClose);
  const qsizetype position = RecentFiles.indexOf(path);
  bool loaded = false;
  {
    BusyCursor busy;
    loaded = document->DoLoad(true);
  }
  if (!loaded) {
    frame->close();
    if (!QFileInfo::exists(path) && position >= 0) {
      RecentFiles.removeAt(position);
      DisplayHistory(true);
    }
    UpdateMenuItems();
    return false;
  }
  frame->showMaximized();
  MdiArea->setActiveSubWindow(frame);
  if (document->FilePages() > 1) statusBar()->showMessage(QString(kMorePages).arg(document->FilePages()));
  LastDir = QFileInfo(path).absolutePath();
  if (position < 0) {
    RecentFiles.insert(0, path);
    if (RecentFiles.size() >= kRecentCount) RecentFiles.removeLast();
    DisplayHistory(true);
  } else if (position > 0) {
    RecentFiles.move(position, 0);
    DisplayHistory(true);
  }
  UpdateMenuItems();
  return true;
}

void TFormMain::OpenScannedPage(const platform::Bitmap& page) {
  // Cancel at the close question keeps the document open; the scanned page
  // then opens beside it rather than being lost.
  CloseActiveDocument();
  auto* document = new TFormMDIChild(this);
  document->SetThumbnailVisible(ThumbnailAction->isChecked());
  QMdiSubWindow* frame = MdiArea->addSubWindow(document);
  frame->setAttribute(Qt::WA_DeleteOnClose);
  document->ViewBitmap() = page;
  document->FileName.clear();
  document->DoLoad(false);
  frame->showMaximized();
  MdiArea->setActiveSubWindow(frame);
  UpdateMenuItems();
}

void TFormMain::DisplayHistory(bool save) {
  std::unique_ptr<QSettings> settings;
  if (save) settings = std::make_unique<QSettings>();
  for (int i = 0; i < kRecentCount; ++i) {
    const QString key = QString::number(i);
    if (i < RecentFiles.size()) {
      QString caption = FileNameOnly(RecentFiles[i]);
      RecentItems[i]->setText(caption.replace('&', "&&"));
      RecentItems[i]->setStatusTip(QDir::toNativeSeparators(RecentFiles[i]));
      RecentItems[i]->setVisible(true);
      if (save) settings->setValue(key, RecentFiles[i]);
    } else {
      RecentItems[i]->setVisible(false);
      if (save && settings->contains(key)) settings->remove(key);
    }
  }
}

void TFormMain::MenuClick(int index) {
  if (index < 0 || index >= RecentFiles.size()) return;
  const QString path = RecentFiles[index];
  for (const TFormMDIChild* document : Documents()) {
    if (document->FileName == path) return;
  }
  OpenDocument(path);
}

void TFormMain::UpdateMenuItems() {
  const int n = static_cast<int>(MdiArea->subWindowList().size());
  const bool idle = !running_ && !batchRunning_ && !scanning_;
  ToolButtonStart->setEnabled(idle && n > 0);
  const bool started = ToolButtonStart->isEnabled();
  for (QAction* action :
       {RecogniseAction, SaveAsAction, ToolButton2, CloseAction, GreyAction, MonoAction, ManualSkewAction,
        AutoSkewAction, Rotate90Action, Rotate180Action, Rotate270Action}) {
    action->setEnabled(started);
  }
  SkewMenu->setEnabled(started);
  RotateMenu->setEnabled(started);
  // Stop stays available while a run works.
  ToolButtonStop->setEnabled(started || !idle);
  StopAction->setEnabled(started || !idle);
  const bool zoom = ThumbnailAction->isChecked() && idle;
  for (QAction* action : {ZoomInAction, ZoomOutAction, Toolzoomin, Toolzoomout}) action->setEnabled(zoom);
  // Every other command waits for the run to end.
  for (QAction* action : {OpenAction, ToolButton1, SaveResultsAction, OpenRecogniseAction, CopyCharAction,
                          CopySelectionAction, SaveTextAction, ScanSourceAction, ScanAction, CutAction,
                          CopyAction, PasteAction, ThumbnailAction, TipsAction, HomeAction, AboutAction}) {
    action->setEnabled(idle);
  }
  RecentMenu->setEnabled(idle);
  // Learning may have filled an empty library.
  emptyLibraryLabel_->setVisible(engineStarted_ && !engineClosed_ && idle && LibraryIsEmpty());
}

bool TFormMain::FormClose() {
  if (engineClosed_) return true;
  engineClosed_ = true;
  for (TFormMDIChild* document : Documents()) document->ForgetResults();
  library::SaveResult saved = ShutDownEngine();
  if (saved == library::SaveResult::ChangedOnDisk) {
    // Someone else wrote the library meanwhile: the user decides whose
    // library stays.
    const bool overwrite = platform::AskQuestion(kLibraryChangedQuestion, platform::MessageButtons::YesNo) ==
                           platform::Answer::Yes;
    if (!overwrite) DiscardLibraryChanges();
    saved = ShutDownEngine(overwrite);
  }
  return saved == library::SaveResult::Saved;
}

void TFormMain::closeEvent(QCloseEvent* event) {
  if (running_ || batchRunning_ || scanning_) {
    // The run holds a page and its text, a scan the scanner: stop the run
    // and close afterwards.
    StopRequested() = true;
    closeAfterRun_ = true;
    event->ignore();
    return;
  }
  for (QMdiSubWindow* frame : MdiArea->subWindowList()) {
    if (!frame->close()) {
      event->ignore();
      return;
    }
  }
  if (!FormClose()) {
    // The library could not be written back: the program ends at once.
    event->accept();
    QCoreApplication::exit(1);
    return;
  }
  event->accept();
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
  if (running_ || batchRunning_) return;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) {
      event->acceptProposedAction();
      return;
    }
  }
}

void TFormMain::dropEvent(QDropEvent* event) {
  for (const QUrl& url : event->mimeData()->urls()) {
    if (!url.isLocalFile()) continue;
    event->acceptProposedAction();
    // As the open command: the first file.
    const QString path = url.toLocalFile();
    QMetaObject::invokeMethod(
        this, [this, path] { Guarded([this, path] { OpenDocument(path); }); }, Qt::QueuedConnection);
    return;
  }
}

// ---------------------------------------------------------------- helpers

TFormMDIChild* TFormMain::ActiveDocument() const {
  QMdiSubWindow* frame = MdiArea->currentSubWindow();
  if (frame == nullptr) frame = MdiArea->activeSubWindow();
  if (frame == nullptr && !MdiArea->subWindowList().isEmpty()) frame = MdiArea->subWindowList().back();
  return frame != nullptr ? qobject_cast<TFormMDIChild*>(frame->widget()) : nullptr;
}

QList<TFormMDIChild*> TFormMain::Documents() const {
  QList<TFormMDIChild*> documents;
  for (QMdiSubWindow* frame : MdiArea->subWindowList()) {
    if (auto* document = qobject_cast<TFormMDIChild*>(frame->widget())) documents.push_back(document);
  }
  return documents;
}

QMdiSubWindow* TFormMain::FrameOf(const TFormMDIChild* document) const {
  for (QMdiSubWindow* frame : MdiArea->subWindowList()) {
    if (frame->widget() == document) return frame;
  }
  return nullptr;
}

bool TFormMain::CloseActiveDocument() {
  TFormMDIChild* document = ActiveDocument();
  if (document == nullptr) return true;
  QMdiSubWindow* frame = FrameOf(document);
  return frame == nullptr || frame->close();
}

void TFormMain::AddRecentTop(const QString& path) {
  // A saved file moves to the top like an opened one (no second entry).
  const qsizetype present = RecentFiles.indexOf(path);
  if (present >= 0) RecentFiles.removeAt(present);
  RecentFiles.insert(0, path);
  if (RecentFiles.size() >= kRecentCount) RecentFiles.removeLast();
  DisplayHistory(true);
}

void TFormMain::ShowTipsWindow() {
  FWaring->SetShowTips(ShowTips);
  FWaring->exec();
}

void TFormMain::SetMainStatus(const QString& text) {
  statusBar()->showMessage(text);
}

void TFormMain::SavePageCommand(TFormMDIChild& document) {
  Guarded([&] { SavePageOf(document); });
}

void TFormMain::ForgetOtherResults(TFormMDIChild& running) {
  for (TFormMDIChild* document : Documents()) {
    if (document != &running) document->ForgetResults();
  }
}

QUrl TFormMain::HomePage() {
  // The project's own page: the README beside the sources or installed
  // with the program; no network is needed to read it.
  const QDir program(QString::fromStdString(ProgramFolder()));
  for (const QString& candidate :
       {program.filePath("../../README.md"), program.filePath("../share/doc/pellarocr/README.md"),
        program.filePath("README.md")}) {
    if (QFileInfo::exists(candidate)) return QUrl::fromLocalFile(QFileInfo(candidate).canonicalFilePath());
  }
  return QUrl::fromLocalFile(program.absolutePath());
}

// ---------------------------------------------------------------- commands

void TFormMain::OpenCommand() {
  const QStringList files = dialogs_->Open(this, LastDir);
  if (files.isEmpty()) return;
  OpenDocument(files.front());
}

void TFormMain::OpenAndRecognise() {
  if (!CloseActiveDocument()) return;
  const QStringList files = dialogs_->Open(this, QString());
  batchRunning_ = true;
  StopRequested() = false;
  UpdateMenuItems();
  for (const QString& file : files) {
    QCoreApplication::processEvents();
    if (StopRequested() || closeAfterRun_) break;
    if (!OpenDocument(file)) continue;
    QCoreApplication::processEvents();
    ToolButtonStartClick();
    const bool stopped = StopRequested();
    QCoreApplication::processEvents();
    CloseActiveDocument();
    QCoreApplication::processEvents();
    if (stopped) break;
  }
  batchRunning_ = false;
  UpdateMenuItems();
  if (closeAfterRun_) {
    closeAfterRun_ = false;
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
  }
}

void TFormMain::SaveResults() {
  TFormMDIChild* document = ActiveDocument();
  if (document == nullptr) return;
  if (document->FileName.isEmpty()) {
    platform::ShowNotice(kNoFileName);
    return;
  }
  if (!SaveRecognitionResults(document->FileName.toStdString())) platform::ShowNotice(kRedWriteError);
}

void TFormMain::CopyCharacterBitmap() {
  if (TFormMDIChild* document = ActiveDocument()) CopyInsideBox(*document, document->CurrentBox);
}

void TFormMain::CopySelectionBitmap() {
  if (TFormMDIChild* document = ActiveDocument()) CopyInsideBox(*document, document->SelectionBox);
}

void TFormMain::CopyInsideBox(const TFormMDIChild& document, const PageRect& box) {
  if (!box.IsSet()) return;
  const QImage copy = document.CleanViewImage().copy(box.Left + 1, box.Top + 1, box.Right - box.Left - 1,
                                                     box.Bottom - box.Top - 1);
  QGuiApplication::clipboard()->setImage(copy);
}

void TFormMain::SavePage() {
  if (TFormMDIChild* document = ActiveDocument()) SavePageOf(*document);
}

void TFormMain::SavePageOf(TFormMDIChild& document) {
  // 1. The proposed name.
  QString name;
  if (document.FileName.isEmpty()) {
    if (ExtensionOfType(SaveDialogKind::Page, SaveDialog1Type).isEmpty()) SaveDialog1Type = 0;
    name = ProposeNewPageName(LastSaveName, PrevSaveName,
                              ExtensionOfType(SaveDialogKind::Page, SaveDialog1Type));
    const QString folder = !lastSaveFolder_.isEmpty() ? lastSaveFolder_ : LastDir;
    if (!folder.isEmpty()) name = QDir(folder).filePath(name);
  } else {
    name = document.FileName;
    const QString extension = ExtensionOfType(SaveDialogKind::Page, SaveDialog1Type);
    if (!extension.isEmpty()) name = ReplaceExtension(name, extension);
  }
  // 2. The dialog.
  int type = std::max(1, SaveDialog1Type);
  if (!dialogs_->Save(this, SaveDialogKind::Page, name, type)) return;
  SaveDialog1Type = type;
  // 3. The writer by the chosen name's extension.
  const QString suffix = QFileInfo(name).suffix().toLower();
  bool saved = false;
  std::string error;
  {
    BusyCursor busy;
    // The writer follows the extension: TIFF, JPEG (quality 90) or a
    // Windows bitmap; only a TIFF becomes the document's file.
    saved = app::SavePage(name.toStdString(), document.PageBitmap, error);
    if (saved && (suffix == "tif" || suffix == "tiff")) {
      document.FileName = name;
      document.setWindowTitle(name);
    }
  }
  if (!saved) {
    platform::ShowNotice(std::string(kSaveError) + "\n" + QDir::toNativeSeparators(name).toStdString() +
                         "\n" + error);
    return;
  }
  // 4. and 5.
  document.Modified = false;
  AddRecentTop(QFileInfo(name).absoluteFilePath());
  PrevSaveName = LastSaveName;
  LastSaveName = FileNameOnly(name);
  lastSaveFolder_ = QFileInfo(name).absolutePath();
}

void TFormMain::CloseDocument() {
  CloseActiveDocument();
}

void TFormMain::SaveText() {
  TFormMDIChild* document = ActiveDocument();
  if (document == nullptr) return;
  QString name = document->FileName.isEmpty()
                     ? QDir(LastDir.isEmpty() ? QDir::homePath() : LastDir).filePath("PellarOCR文档.rtf")
                     : ReplaceExtension(document->FileName, ".rtf");
  int type = std::max(1, SaveDialogTextType);
  if (!dialogs_->Save(this, SaveDialogKind::Text, name, type)) return;
  SaveDialogTextType = type;
  if (!SaveTextFile(name, document->TextRuns())) {
    platform::ShowNotice(std::string(kSaveError) + "\n" + QDir::toNativeSeparators(name).toStdString());
  }
}

input::TAcquireImage& TFormMain::Scanner() {
  if (!scanner_) {
    scanner_ = std::make_unique<input::TAcquireImage>();
    scanner_->OnChooseSource = &input_ui::ChooseSource;
    scanner_->OnSetUpScan = &input_ui::SetUpScan;
  }
  return *scanner_;
}

void TFormMain::ChooseScanner() {
  input::TAcquireImage& scanner = Scanner();
  if (scanner.TwainLoaded()) scanner.UnloadTwain();
  try {
    if (!scanner.LoadTwain()) {
      statusBar()->showMessage(kNoScanner, 5000);
      return;
    }
    scanner.OpenSourceManager();
    // The manager's dialog; the chosen source becomes its default.
    const std::string name = scanner.SelectSource(false);
    scanner.FindSource(name);
    ScannerSelected = true;
  } catch (const std::exception& error) {
    platform::ShowNotice(std::string(kScannerError) + error.what());
  }
}

void TFormMain::ScanPage() {
  if (!ScannerSelected) {
    ChooseScanner();
    if (!ScannerSelected) return;
  }
  input::TAcquireImage& scanner = Scanner();
  scanning_ = true;
  UpdateMenuItems();
  platform::Bitmap page;
  bool acquired = false;
  std::string error;
  try {
    scanner.OpenSourceManager();
    const std::string name = scanner.SelectSource(true);
    scanner.FindSource(name);
    scanner.OpenSource();
    platform::GlobalHandle dib = 0;
    if (scanner.Acquire(dib) == 0) {
      std::vector<uint8_t> stream;
      acquired = input::DibToBitmapStream(dib, stream) && formats::DecodeBmp(stream.data(), stream.size(), page);
    } else if (dib != 0) {
      // An acquisition that did not end well may still hold an earlier
      // page's block: it is not shown, and not kept either.
      platform::GlobalFree(dib);
    }
  } catch (const std::exception& raised) {
    error = raised.what();
  }
  // Source and manager close also after an error, so that the next scan
  // finds them closed.
  try {
    scanner.CloseAll();
  } catch (const std::exception& raised) {
    if (error.empty()) error = raised.what();
  }
  scanning_ = false;
  UpdateMenuItems();
  if (!error.empty()) {
    platform::ShowNotice(kScannerError + error);
  } else if (acquired) {
    OpenScannedPage(page);
  }
  if (closeAfterRun_) {
    closeAfterRun_ = false;
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
  }
}

void TFormMain::ToolButtonStartClick() {
  TFormMDIChild* document = ActiveDocument();
  if (document == nullptr || running_) return;
  StopRequested() = false;
  running_ = true;
  UpdateMenuItems();
  try {
    document->FenXi();
  } catch (const std::exception& error) {
    platform::ShowNotice(std::string("出错信息:") + "\n" + error.what());
  }
  running_ = false;
  UpdateMenuItems();
  // The supervisor chose to end the program while teaching: the usual
  // shutdown, which asks about changed pages and writes the library back.
  if (ProgramEndRequested()) closeAfterRun_ = true;
  if (closeAfterRun_ && !batchRunning_) {
    closeAfterRun_ = false;
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
  }
}

void TFormMain::ToolButtonStopClick() {
  StopRequested() = true;
}

void TFormMain::CutText() {
  if (TFormMDIChild* document = ActiveDocument()) document->RxRichEdit1->cut();
}

void TFormMain::CopyText() {
  if (TFormMDIChild* document = ActiveDocument()) document->RxRichEdit1->copy();
}

void TFormMain::PasteText() {
  if (TFormMDIChild* document = ActiveDocument()) document->RxRichEdit1->paste();
}

void TFormMain::ZoomIn() {
  TFormMDIChild* document = ActiveDocument();
  if (document == nullptr || !document->ThumbnailVisible()) return;
  if (document->Image2->width() < document->Image1->width()) {
    document->SetThumbnailPaneWidth(
        static_cast<int>(std::lrint(document->ThumbnailPaneWidth() * kZoomFactor)));
  }
}

void TFormMain::ZoomOut() {
  TFormMDIChild* document = ActiveDocument();
  if (document == nullptr || !document->ThumbnailVisible()) return;
  if (document->Image2->width() > kMinThumbnailWidth) {
    document->SetThumbnailPaneWidth(
        static_cast<int>(std::lrint(document->ThumbnailPaneWidth() / kZoomFactor)));
  }
}

void TFormMain::ToggleThumbnail() {
  const bool shown = !ThumbnailAction->isChecked();
  ThumbnailAction->setChecked(shown);
  for (TFormMDIChild* document : Documents()) {
    document->SetThumbnailVisible(shown);
    if (shown) document->ScrollBoxLeftResize();
  }
  UpdateMenuItems();
  QSettings settings;
  settings.setValue(kThumbnailKey, shown ? 1 : 0);
}

void TFormMain::ColourToGrey() {
  TFormMDIChild* document = ActiveDocument();
  if (document == nullptr) return;
  if (document->PageBitmap.BitCount() == 1) {
    platform::ShowPlainMessage(kMonoNoGrey);
    return;
  }
  BusyCursor busy;
  platform::Bitmap grey;
  if (imaging::ColourToGrey(document->PageBitmap, grey)) {
    formats::CopyGraphic(document->ViewBitmap(), grey);
    document->DoLoad_UpdateInfo();
    document->Modified = true;
  }
}

void TFormMain::GreyToMono() {
  TFormMDIChild* document = ActiveDocument();
  if (document == nullptr) return;
  if (document->PageBitmap.BitCount() == 1) {
    platform::ShowPlainMessage(kMonoAlready);
    return;
  }
  if (document->PageBitmap.BitCount() != 8) {
    platform::ShowPlainMessage(kGreyFirst);
    return;
  }
  imaging_ui::TFormColorChg dialog(*document, this);
  if (dialog.exec() == QDialog::Accepted) {
    document->DoLoad_UpdateInfo();
    document->Modified = true;
  } else {
    // No preview stays on the screen.
    formats::CopyGraphic(document->ViewBitmap(), document->PageBitmap);
    document->DoLoad_UpdateInfo();
  }
}

void TFormMain::ManualSkew() {
  TFormMDIChild* document = ActiveDocument();
  if (document == nullptr) return;
  if (document->PageBitmap.BitCount() != 1) {
    platform::ShowNotice(kMonoOnly);
    return;
  }
  const int h = document->ScrollBox1->horizontalScrollBar()->value();
  const int v = document->ScrollBox1->verticalScrollBar()->value();
  const QSize view = document->ScrollBox1->viewport()->size();
  imaging_ui::VisibleRect visible;
  visible.Left = h;
  visible.Top = v;
  visible.Right = std::min(document->Image1->width(), view.width() + h - 1);
  visible.Bottom = std::min(document->Image1->height(), view.height() + v - 1);
  imaging_ui::TFormRotate dialog(*document, visible, this);
  if (dialog.exec() == QDialog::Accepted) {
    document->DoLoad_UpdateInfo();
    document->Modified = true;
  }
}

void TFormMain::AutoSkew() {
  TFormMDIChild* document = ActiveDocument();
  if (document == nullptr) return;
  if (document->PageBitmap.BitCount() != 1) {
    platform::ShowNotice(kMonoOnly);
    return;
  }
  BusyCursor busy;
  formats::CopyGraphic(document->ViewBitmap(), document->PageBitmap);
  imaging::AutoDeskew(document->ViewBitmap());
  document->DoLoad_UpdateInfo();
  document->Modified = true;
}

void TFormMain::RotateClockwise(int angle) {
  TFormMDIChild* document = ActiveDocument();
  if (document == nullptr) return;
  if (document->PageBitmap.BitCount() != 1) {
    platform::ShowNotice(kMonoOnly);
    return;
  }
  BusyCursor busy;
  formats::CopyGraphic(document->ViewBitmap(), document->PageBitmap);
  if (!imaging::RotateBitmap(document->ViewBitmap(), angle)) {
    formats::CopyGraphic(document->ViewBitmap(), document->PageBitmap);
    return;
  }
  document->DoLoad_UpdateInfo();
  document->Modified = true;
}

void TFormMain::ShowTipsFromMenu() {
  FWaring->CheckBox1->setVisible(false);
  FWaring->exec();
  FWaring->CheckBox1->setVisible(true);
}

void TFormMain::OpenHomePage() {
  QDesktopServices::openUrl(HomePage());
}

void TFormMain::ShowAbout() {
  QSettings settings;
  TFormAbout about(settings.fileName(), QDir::toNativeSeparators(QString::fromStdString(LibraryFolder())),
                   this);
  about.exec();
}

}  // namespace desktop
