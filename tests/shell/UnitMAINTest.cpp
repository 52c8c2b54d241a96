// The main window on real widgets (offscreen): start-up without settings,
// the recent-file rules, the save-name numbering and the save dialogs' type
// behaviour, text files (RTF with red runs, GBK text), the conversions'
// refusals, and the close question's three answers. Messages and questions
// go through the headless hooks with scripted answers; file dialogs are
// scripted too.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "DesktopFixtures.h"
#include "document/EngineBridge.h"
#include "imaging/ui/UnitColorChg.h"
#include "imaging/ui/UnitRotate.h"
#include "library/Learning.h"
#include "platform/Encoding.h"
#include "shell/QtHooks.h"
#include "shell/SaveNaming.h"
#include "shell/TextFiles.h"
#include "shell/UWaring.h"
#include "shell/UnitMAIN.h"

using desktop::TFormMain;
using desktop_test::DialogScript;

namespace {

// The runs of an RTF file as written by RtfText: text (GBK escapes decoded)
// and whether it is in colour 1 (red), one list per \par.
desktop::TextLines ReadRtf(const QByteArray& rtf) {
  desktop::TextLines lines;
  QList<desktop::TextRun> line;
  QByteArray pending;
  bool red = false;
  auto flush = [&] {
    if (pending.isEmpty()) return;
    const QString text = QString::fromStdString(platform::GbkToUtf8(pending.toStdString()));
    if (!line.isEmpty() && line.back().Red == red) {
      line.back().Text += text;
    } else {
      line.push_back({text, red});
    }
    pending.clear();
  };
  const int body = static_cast<int>(rtf.indexOf("\\fs24 ")) + 6;
  for (int i = body; i < rtf.size(); ++i) {
    const char c = rtf[i];
    if (c == '\r' || c == '\n' || c == '}') continue;
    if (c != '\\') {
      pending += c;
      continue;
    }
    const char next = rtf[i + 1];
    if (next == '\'') {
      pending += static_cast<char>(rtf.mid(i + 2, 2).toInt(nullptr, 16));
      i += 3;
    } else if (next == '\\' || next == '{' || next == '}') {
      pending += next;
      ++i;
    } else {
      int end = i + 1;
      while (end < rtf.size() && std::isalnum(static_cast<unsigned char>(rtf[end]))) ++end;
      const QByteArray word = rtf.mid(i + 1, end - i - 1);
      if (end < rtf.size() && rtf[end] == ' ') ++end;
      flush();
      if (word == "cf1") red = true;
      if (word == "cf0") red = false;
      if (word == "par") {
        lines.push_back(line);
        line.clear();
      }
      i = end - 1;
    }
  }
  return lines;
}

}  // namespace

class UnitMAINTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString library_;
  std::shared_ptr<DialogScript> script_;
  std::unique_ptr<desktop_test::ScopedUi> ui_;
  TFormMain* main_ = nullptr;

  TFormMain* Start() {
    script_ = std::make_shared<DialogScript>();
    script_->SaveFolder = dir_.path();
    main_ = new TFormMain(std::make_unique<desktop_test::ScriptedDialogs>(script_));
    main_->SetLibraryFolder(library_);
    main_->resize(1000, 700);
    main_->show();
    return main_;
  }
  QString Page(const QString& name, const platform::Bitmap& page) {
    return desktop_test::WriteBmp(dir_, name, page);
  }
  QStringList MessageTexts() const {
    QStringList texts;
    for (const auto& message : ui_->Ui.Messages) texts << QString::fromStdString(message.Text);
    return texts;
  }
  QString SettingsValue(const QString& key) const { return QSettings().value(key).toString(); }

 private slots:
  void initTestCase() {
    desktop_test::UseTestSettings();
    QVERIFY(dir_.isValid());
    library_ = desktop_test::LibraryFolder(dir_);
  }

  void init() {
    desktop_test::ClearSettings();
    ui_ = std::make_unique<desktop_test::ScopedUi>();
  }

  void cleanup() {
    if (main_ != nullptr) {
      for (desktop::TFormMDIChild* document : main_->Documents()) document->Modified = false;
      main_->close();
      delete main_;
      main_ = nullptr;
    }
    ui_.reset();
  }

  // ------------------------------------------------------------ start-up and recent files

  void startsWithoutSettings() {
    Start();
    QCOMPARE(main_->FormShow(), app::StartResult::Started);
    QCOMPARE(main_->windowTitle(), QString("Pellar识别"));
    QVERIFY(main_->ThumbnailAction->isChecked());
    QVERIFY(main_->ShowTips);
    QVERIFY(main_->RecentFiles.isEmpty());
    for (QAction* item : main_->RecentItems) QVERIFY(!item->isVisible());
    QVERIFY(!main_->AdvancedMenu->menuAction()->isVisible());
    QVERIFY(ui_->Ui.Messages.empty());  // no learning question
    QVERIFY(!desktop::LearningMode());
    // Nothing open: only what needs no page is enabled.
    QVERIFY(!main_->ToolButtonStart->isEnabled());
    QVERIFY(!main_->RecogniseAction->isEnabled());
    QVERIFY(!main_->CloseAction->isEnabled());
    QVERIFY(main_->ZoomInAction->isEnabled());
    QVERIFY(main_->OpenAction->isEnabled());
  }

  void supervisorIsAskedAboutLearning() {
    QSettings().setValue("supervisor", 1);
    ui_->Ui.ScriptedAnswers.push_back(platform::Answer::Yes);
    Start();
    QCOMPARE(main_->FormShow(), app::StartResult::Started);
    QCOMPARE(MessageTexts(), QStringList{"是否进入智能学习方式？"});
    QVERIFY(desktop::LearningMode());
    QVERIFY(main_->AdvancedMenu->menuAction()->isVisible());
    desktop::LearningMode() = false;
    desktop::SupervisorMode() = false;
  }

  void missingWordPairsIsToldBeforeTheEnd() {
    QTemporaryDir empty;
    Start();
    main_->SetLibraryFolder(empty.path());
    QCOMPARE(main_->FormShow(), app::StartResult::WordPairsUnreadable);
    QCOMPARE(MessageTexts(), QStringList{"打开Word.Dat文件错误!"});
  }

  void recentFilesSkipMissingAndMoveUp() {
    const QString a = Page("a.bmp", desktop_test::WhitePage(20, 20, 1));
    const QString b = Page("b.bmp", desktop_test::WhitePage(20, 20, 1));
    const QString c = Page("c.bmp", desktop_test::WhitePage(20, 20, 1));
    {
      QSettings settings;
      settings.setValue("0", dir_.filePath("gone1.bmp"));
      settings.setValue("1", a);
      settings.setValue("2", dir_.filePath("gone2.bmp"));
      settings.setValue("3", b);
    }
    Start();
    main_->FormShow();
    QCOMPARE(main_->RecentFiles, (QStringList{a, b}));
    QVERIFY(main_->RecentItems[0]->isVisible());
    QCOMPARE(main_->RecentItems[0]->text(), QString("a.bmp"));
    QVERIFY(!main_->RecentItems[2]->isVisible());
    // The next write moves the remaining entries up and deletes the rest.
    QVERIFY(main_->OpenDocument(c));
    QCOMPARE(main_->RecentFiles, (QStringList{c, a, b}));
    QCOMPARE(SettingsValue("0"), c);
    QCOMPARE(SettingsValue("1"), a);
    QCOMPARE(SettingsValue("2"), b);
    QVERIFY(!QSettings().contains("3"));
    // The second entry moves to the top; the top entry stays.
    QVERIFY(main_->OpenDocument(a));
    QCOMPARE(main_->RecentFiles, (QStringList{a, c, b}));
    QVERIFY(main_->OpenDocument(a));
    QCOMPARE(main_->RecentFiles, (QStringList{a, c, b}));
    // The recent item of the file that is open does nothing.
    QMdiSubWindow* frame = main_->MdiArea->currentSubWindow();
    main_->MenuClick(0);
    QCOMPARE(main_->MdiArea->currentSubWindow(), frame);
    QCOMPARE(main_->MdiArea->subWindowList().size(), 1);
    // Opening a file closes the one that was open.
    main_->MenuClick(1);
    QCOMPARE(main_->Documents().size(), 1);
    QCOMPARE(main_->Documents().front()->FileName, c);
  }

  void tenthFileDropsTheOldest() {
    Start();
    main_->FormShow();
    QStringList opened;
    for (int i = 0; i < 10; ++i) {
      opened.push_front(Page(QString("p%1.bmp").arg(i), desktop_test::WhitePage(16, 16, 1)));
      QVERIFY(main_->OpenDocument(opened.front()));
    }
    QCOMPARE(main_->RecentFiles.size(), 9);
    QCOMPARE(main_->RecentFiles, opened.mid(0, 9));
    QVERIFY(!QSettings().contains("9"));
  }

  void failedOpenDropsTheEntryAndItsValue() {
    const QString a = Page("fa.bmp", desktop_test::WhitePage(16, 16, 1));
    const QString b = Page("fb.bmp", desktop_test::WhitePage(16, 16, 1));
    const QString c = Page("fc.bmp", desktop_test::WhitePage(16, 16, 1));
    Start();
    main_->FormShow();
    QVERIFY(main_->OpenDocument(c));
    QVERIFY(main_->OpenDocument(b));
    QVERIFY(main_->OpenDocument(a));
    QCOMPARE(SettingsValue("2"), c);
    QFile::remove(b);
    QVERIFY(!main_->OpenDocument(b));
    QCOMPARE(MessageTexts(), QStringList{"位图文件错误！"});
    QCOMPARE(main_->RecentFiles, (QStringList{a, c}));
    QCOMPARE(SettingsValue("1"), c);
    QVERIFY(!QSettings().contains("2"));  // the former last entry's value
    QCOMPARE(main_->Documents().size(), 0);
    // A file that exists but cannot be read keeps its entry.
    QFile broken(a);
    QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("not a picture");
    broken.close();
    QVERIFY(!main_->OpenDocument(a));
    QCOMPARE(main_->RecentFiles, (QStringList{a, c}));
  }

  // ------------------------------------------------------------ commands

  void saveNamesAreNumbered() {
    QCOMPARE(desktop::ProposeNewPageName("", "", ".tif"), QString("PellarOCR文档001.tif"));
    QCOMPARE(desktop::ProposeNewPageName("page007.tif", "page005.tif", ".tif"), QString("page009.tif"));
    QCOMPARE(desktop::ProposeNewPageName("scan.tif", "", ".tif"), QString("scan001.tif"));
    QCOMPARE(desktop::ProposeNewPageName("page7.tif", "page9.tif", ".bmp"), QString("page8.bmp"));
    QCOMPARE(desktop::ProposeNewPageName("x0099.tif", "", ""), QString("x0100"));

    // Through the command, for a scanned page (no file name).
    Start();
    main_->FormShow();
    main_->OpenScannedPage(desktop_test::BoxesPage(64, 48));
    script_->SaveAnswers = {"page005.tif", "page007.tif", ""};
    main_->Documents().front()->Modified = true;
    main_->SavePage();
    QCOMPARE(QFileInfo(script_->SaveProposals[0]).fileName(), QString("PellarOCR文档001.tif"));
    QVERIFY(!main_->Documents().front()->Modified);
    QVERIFY(QFileInfo::exists(dir_.filePath("page005.tif")));
    QCOMPARE(main_->Documents().front()->windowTitle(), dir_.filePath("page005.tif"));
    QCOMPARE(main_->RecentFiles.front(), dir_.filePath("page005.tif"));
    main_->OpenScannedPage(desktop_test::BoxesPage(64, 48));
    main_->SavePage();
    main_->OpenScannedPage(desktop_test::BoxesPage(64, 48));
    main_->Documents().front()->Modified = true;
    main_->SavePage();  // cancelled
    QCOMPARE(QFileInfo(script_->SaveProposals[2]).fileName(), QString("page009.tif"));
    QVERIFY(main_->Documents().front()->Modified);
    main_->Documents().front()->Modified = false;
  }

  void savingUnderAnotherTypeKeepsTheCaption() {
    const QString a = Page("a.bmp", desktop_test::BoxesPage(64, 48));
    Start();
    main_->FormShow();
    QVERIFY(main_->OpenDocument(a));
    script_->SaveAnswers = {"copy.bmp", "copy.jpg"};
    script_->SaveTypeAnswers = {2, 3};
    main_->SavePage();
    QCOMPARE(script_->SaveProposals[0], dir_.filePath("a.tif"));  // TIFF type selected
    QCOMPARE(main_->Documents().front()->FileName, a);
    QCOMPARE(main_->Documents().front()->windowTitle(), a);
    QFile bmp(dir_.filePath("copy.bmp"));
    QVERIFY(bmp.open(QIODevice::ReadOnly));
    QCOMPARE(bmp.read(2), QByteArray("BM"));
    QCOMPARE(main_->SaveDialog1Type, 2);
    main_->SavePage();
    QCOMPARE(script_->SaveProposals[1], dir_.filePath("a.bmp"));  // the BMP type's extension
    QFile jpeg(dir_.filePath("copy.jpg"));
    QVERIFY(jpeg.open(QIODevice::ReadOnly));
    QCOMPARE(jpeg.read(2), QByteArray("\xFF\xD8"));
    QCOMPARE(main_->Documents().front()->FileName, a);
  }

  void saveDialogTypeChangesTheExtension() {
    desktop::SaveDialog dialog(nullptr, desktop::SaveDialogKind::Page, dir_.filePath("scan.tif"), 1);
    auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
    QVERIFY(types != nullptr);
    QCOMPARE(types->itemText(0), QString("TIFF"));
    QCOMPARE(types->itemText(2), QString("所有文件"));
    QCOMPARE(dialog.NameInBox(), QString("scan.tif"));
    // As a person picks a type: the combo box's activation.
    auto pick = [](QComboBox* box, int index) {
      box->setCurrentIndex(index);
      emit box->activated(index);
    };
    pick(types, 1);
    QCOMPARE(dialog.NameInBox(), QString("scan.bmp"));
    QCOMPARE(dialog.defaultSuffix(), QString("bmp"));
    pick(types, 2);  // no extension: the name stays
    QCOMPARE(dialog.NameInBox(), QString("scan.bmp"));
    QCOMPARE(dialog.defaultSuffix(), QString());
    desktop::SaveDialog text(nullptr, desktop::SaveDialogKind::Text, dir_.filePath("a.rtf"), 1);
    auto* textTypes = text.findChild<QComboBox*>("fileTypeCombo");
    QCOMPARE(textTypes->itemText(0), QString("带格式的文本(*.rtf)"));
    pick(textTypes, 1);
    QCOMPARE(text.NameInBox(), QString("a.txt"));
  }

  void textFilesRoundTrip() {
    const desktop::TextLines lines = {
        {{"清晨六点，", false}, {"域", true}, {"市 {a\\b}", false}}, {{"第二行 8 路", false}}, {}};
    const QByteArray rtf = desktop::RtfText(lines);
    QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg936"));
    QVERIFY(rtf.contains("\\red255\\green0\\blue0"));
    QVERIFY(!rtf.contains("清"));  // GBK bytes are escaped
    const desktop::TextLines read = ReadRtf(rtf);
    QCOMPARE(read.size(), 3);
    QCOMPARE(read[0].size(), 3);
    QCOMPARE(read[0][1].Text, QString("域"));
    QVERIFY(read[0][1].Red);
    QCOMPARE(read[0][2].Text, QString("市 {a\\b}"));
    QCOMPARE(read[1][0].Text, QString("第二行 8 路"));
    QVERIFY(read[2].isEmpty());
    const QByteArray plain = desktop::PlainGbkText(lines);
    QCOMPARE(QString::fromStdString(platform::GbkToUtf8(plain.toStdString())),
             QString("清晨六点，域市 {a\\b}\n第二行 8 路\n\n"));

    // Through the command: x.txt is plain text, x.doc rich text.
    const QString page = Page("t.bmp", desktop_test::BoxesPage(64, 48));
    Start();
    main_->FormShow();
    QVERIFY(main_->OpenDocument(page));
    desktop::QtResultPane pane(*main_->Documents().front()->RxRichEdit1);
    pane.SetText(platform::Utf8ToGbk("甲乙丙\n丁"));
    pane.Select(1, 1);
    pane.SetSelectionColour(0xFF0000);
    script_->SaveAnswers = {"x.txt", "x.doc"};
    main_->SaveText();
    QCOMPARE(script_->SaveProposals[0], dir_.filePath("t.rtf"));
    QFile txt(dir_.filePath("x.txt"));
    QVERIFY(txt.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromStdString(platform::GbkToUtf8(txt.readAll().toStdString())),
             QString("甲乙丙\n丁\n"));
    main_->SaveText();
    QFile doc(dir_.filePath("x.doc"));
    QVERIFY(doc.open(QIODevice::ReadOnly));
    const desktop::TextLines saved = ReadRtf(doc.readAll());
    QCOMPARE(saved.size(), 2);
    QCOMPARE(saved[0].size(), 3);
    QCOMPARE(saved[0][1].Text, QString("乙"));
    QVERIFY(saved[0][1].Red);
  }

  void conversionsRefuseUnsuitablePages() {
    const QString mono = Page("mono.bmp", desktop_test::BoxesPage(64, 48));
    const QString colour = Page("colour.bmp", desktop_test::ColourPage(64, 48));
    Start();
    main_->FormShow();
    QVERIFY(main_->OpenDocument(mono));
    main_->ColourToGrey();
    main_->GreyToMono();
    QCOMPARE(MessageTexts(), (QStringList{"已经是单色位图!不必转为灰度.", "已经是单色位图!"}));
    QCOMPARE(ui_->Ui.Messages[0].Icon, platform::MessageIcon::None);
    QVERIFY(!main_->Documents().front()->Modified);
    ui_->Ui.Messages.clear();
    QVERIFY(main_->OpenDocument(colour));
    desktop::TFormMDIChild* document = main_->Documents().front();
    const std::vector<uint8_t> before = document->PageBitmap.Bits();
    main_->GreyToMono();
    main_->RotateClockwise(90);
    main_->ManualSkew();
    main_->AutoSkew();
    QCOMPARE(MessageTexts(), (QStringList{"请先转为256色灰度图!", "只支持单色图像的旋转",
                                          "只支持单色图像的旋转", "只支持单色图像的旋转"}));
    QCOMPARE(ui_->Ui.Messages[1].Icon, platform::MessageIcon::Question);
    QCOMPARE(document->PageBitmap.BitCount(), 24);
    QVERIFY(document->PageBitmap.Bits() == before);
    QVERIFY(!document->Modified);
    // Colour to grey works on it.
    main_->ColourToGrey();
    QCOMPARE(document->PageBitmap.BitCount(), 8);
    QCOMPARE(document->Panels[1]->text(), QString("256色"));
    QVERIFY(document->Modified);
  }

  void thresholdDialogOkAndCancel() {
    const QString grey = Page("grey.bmp", desktop_test::GreyPage(256, 40));
    Start();
    main_->FormShow();
    QVERIFY(main_->OpenDocument(grey));
    desktop::TFormMDIChild* document = main_->Documents().front();
    const std::vector<uint8_t> page = document->PageBitmap.Bits();
    const QImage view = document->Image1->Picture;
    // Cancel: PageBitmap and the view as they were.
    desktop_test::WhenModal([](QWidget* modal) {
      auto* dialog = qobject_cast<imaging_ui::TFormColorChg*>(modal);
      QVERIFY(dialog != nullptr);
      QCOMPARE(dialog->windowTitle(), QString("改变阀值"));
      QCOMPARE(dialog->ScrollBar1->value(), 80);
      QCOMPARE(dialog->Label2->text(), QString("80"));
      QCOMPARE(dialog->PreviewThreshold(), 80);
      dialog->ScrollBar1->setValue(200);  // a click: previewed at once
      QCOMPARE(dialog->PreviewThreshold(), 200);
      QTest::keyClick(dialog->ScrollBar1, Qt::Key_Right);  // the keys move it too
      QCOMPARE(dialog->PreviewThreshold(), 201);
      QCOMPARE(dialog->Label2->text(), QString("201"));
      QTest::mouseClick(dialog->BitBtn2, Qt::LeftButton);
    });
    main_->GreyToMono();
    QVERIFY(document->PageBitmap.Bits() == page);
    QCOMPARE(document->PageBitmap.BitCount(), 8);
    QCOMPARE(document->Image1->Picture, view);
    QVERIFY(!document->Modified);
    // OK: the page becomes black and white at the chosen level.
    desktop_test::WhenModal([](QWidget* modal) {
      auto* dialog = qobject_cast<imaging_ui::TFormColorChg*>(modal);
      QVERIFY(dialog != nullptr);
      dialog->ScrollBar1->setValue(128);
      QTest::mouseClick(dialog->BitBtn1, Qt::LeftButton);
    });
    main_->GreyToMono();
    QCOMPARE(document->PageBitmap.BitCount(), 1);
    QVERIFY(document->Modified);
    QCOMPARE(document->Panels[1]->text(), QString("2色"));
    // Grey level x*255/255 = x: columns below 128 are black (bit set).
    const uint8_t* row = document->PageBitmap.Row(0);
    auto black = [row](int x) { return ((row[x >> 3] >> (7 - (x & 7))) & 1) == 1; };
    QVERIFY(black(127));
    QVERIFY(!black(128));
  }

  void rotateDialogOkAndCancel() {
    const QString mono = Page("skew.bmp", desktop_test::BoxesPage(300, 200));
    Start();
    main_->FormShow();
    QVERIFY(main_->OpenDocument(mono));
    desktop::TFormMDIChild* document = main_->Documents().front();
    const std::vector<uint8_t> page = document->PageBitmap.Bits();
    const QImage view = document->Image1->Picture;
    desktop_test::WhenModal([](QWidget* modal) {
      auto* dialog = qobject_cast<imaging_ui::TFormRotate*>(modal);
      QVERIFY(dialog != nullptr);
      QCOMPARE(dialog->windowTitle(), QString("倾斜更正"));
      QCOMPARE(dialog->Label2->text(), QString("0"));
      QCOMPARE(dialog->ScrollBar1->minimum(), -180);
      QCOMPARE(dialog->ScrollBar1->maximum(), 180);
      const platform::Bitmap shown = dialog->Preview();
      dialog->ScrollBar1->setValue(9);
      QCOMPARE(dialog->Label2->text(), QString("2.25"));
      QVERIFY(dialog->Preview().Bits() != shown.Bits());
      dialog->ScrollBar1->setValue(-2);
      QCOMPARE(dialog->Label2->text(), QString("-0.5"));
      QTest::mouseClick(dialog->BitBtn2, Qt::LeftButton);
    });
    main_->ManualSkew();
    QVERIFY(ui_->Ui.Messages.empty());  // Cancel says nothing
    QVERIFY(document->PageBitmap.Bits() == page);
    QCOMPARE(document->Image1->Picture, view);
    QVERIFY(!document->Image1->HasPreview());
    QVERIFY(!document->Modified);
    // OK at 0 degrees changes nothing; at 4 degrees the page turns.
    desktop_test::WhenModal([](QWidget* modal) {
      QTest::mouseClick(qobject_cast<imaging_ui::TFormRotate*>(modal)->BitBtn1, Qt::LeftButton);
    });
    main_->ManualSkew();
    QVERIFY(document->PageBitmap.Bits() == page);
    desktop_test::WhenModal([](QWidget* modal) {
      auto* dialog = qobject_cast<imaging_ui::TFormRotate*>(modal);
      dialog->ScrollBar1->setValue(16);
      QTest::mouseClick(dialog->BitBtn1, Qt::LeftButton);
    });
    main_->ManualSkew();
    QVERIFY(document->PageBitmap.Bits() != page);
    QCOMPARE(document->PageBitmap.Width(), 300);
    QVERIFY(document->Modified);
    QVERIFY(!document->Image1->HasPreview());
    // A quarter turn exchanges width and height.
    main_->RotateClockwise(90);
    QCOMPARE(document->PageBitmap.Width(), 200);
    QCOMPARE(document->Panels[0]->text(), QString("宽高:200 300"));
  }

  void closeQuestionHasThreeAnswers() {
    const QString page = Page("close.bmp", desktop_test::BoxesPage(64, 48));
    Start();
    main_->FormShow();
    QVERIFY(main_->OpenDocument(page));
    main_->Documents().front()->Modified = true;
    // Cancel: stays open.
    ui_->Ui.ScriptedAnswers = {platform::Answer::Cancel};
    main_->CloseDocument();
    QCOMPARE(main_->Documents().size(), 1);
    QCOMPARE(MessageTexts(), QStringList{"图像已更改,保存吗?"});
    QCOMPARE(ui_->Ui.Messages[0].Buttons, platform::MessageButtons::YesNoCancel);
    // Yes with the save dialog cancelled: still modified, stays open.
    ui_->Ui.ScriptedAnswers = {platform::Answer::Yes};
    script_->SaveAnswers = {""};
    main_->CloseDocument();
    QCOMPARE(main_->Documents().size(), 1);
    // Yes and saved: closes, the file written.
    ui_->Ui.ScriptedAnswers = {platform::Answer::Yes};
    script_->SaveAnswers = {"closed.tif"};
    main_->CloseDocument();
    QTRY_COMPARE(main_->Documents().size(), 0);
    QVERIFY(QFileInfo::exists(dir_.filePath("closed.tif")));
    // No: closes without saving.
    QVERIFY(main_->OpenDocument(page));
    main_->Documents().front()->Modified = true;
    ui_->Ui.ScriptedAnswers = {platform::Answer::No};
    script_->SaveAnswers = {"never.tif"};
    main_->CloseDocument();
    QTRY_COMPARE(main_->Documents().size(), 0);
    QVERIFY(!QFileInfo::exists(dir_.filePath("never.tif")));
    // Shutting down asks too, and Cancel keeps the program.
    QVERIFY(main_->OpenDocument(page));
    main_->Documents().front()->Modified = true;
    ui_->Ui.ScriptedAnswers = {platform::Answer::Cancel};
    QVERIFY(!main_->close());
    QCOMPARE(main_->Documents().size(), 1);
  }

  void zoomStopsAtThePageAndAtTenPixels() {
    const QString page = Page("zoom.bmp", desktop_test::BoxesPage(300, 200));
    Start();
    main_->FormShow();
    QVERIFY(main_->OpenDocument(page));
    desktop::TFormMDIChild* document = main_->Documents().front();
    for (int i = 0; i < 12; ++i) {
      main_->ZoomIn();
      QTest::qWait(1);
    }
    QTRY_VERIFY(document->Image2->width() >= document->Image1->width());
    const int widest = document->ThumbnailPaneWidth();
    main_->ZoomIn();
    QTest::qWait(5);
    QCOMPARE(document->ThumbnailPaneWidth(), widest);
    for (int i = 0; i < 20; ++i) {
      main_->ZoomOut();
      QTest::qWait(1);
    }
    QTRY_VERIFY(document->Image2->width() <= 10);
    // The thumbnail command hides the pane and the zoom commands.
    main_->ToggleThumbnail();
    QVERIFY(!document->ThumbnailVisible());
    QVERIFY(!main_->ZoomInAction->isEnabled());
    QCOMPARE(QSettings().value("显示略图").toInt(), 0);
    main_->ToggleThumbnail();
    QVERIFY(document->ThumbnailVisible());
    QCOMPARE(QSettings().value("显示略图").toInt(), 1);
  }

  void ctrlZUndoesInTheTextPane() {
    const QString page = Page("undo.bmp", desktop_test::BoxesPage(64, 48));
    Start();
    main_->FormShow();
    QVERIFY(main_->OpenDocument(page));
    QVERIFY(QTest::qWaitForWindowExposed(main_));
    main_->activateWindow();
    desktop::RxRichEdit* pane = main_->Documents().front()->RxRichEdit1;
    pane->setFocus();
    QTest::keyClicks(pane, "ab");
    QCOMPARE(pane->toPlainText(), QString("ab"));
    QTest::keyClick(pane, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(pane->toPlainText(), QString());
    QVERIFY(main_->statusBar()->currentMessage().isEmpty());
    // Elsewhere the key chooses the scanner (no source manager here).
    main_->Scanner().TwainLibrary = "/nonexistent/libpellar-twaindsm.so";
    main_->Documents().front()->Image1->setFocus();
    QTest::keyClick(main_->Documents().front()->Image1, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(main_->statusBar()->currentMessage(), QString("没有找到扫描设备"));
  }

  void aFileOfSeveralPagesOpensItsFirstAndSaysSo() {
    const QString one = Page("one.bmp", desktop_test::BoxesPage(64, 48));
    const QString two = Page("two.bmp", desktop_test::WhitePage(64, 48, 1));
    const QString both = dir_.filePath("both.tif");
    QCOMPARE(QProcess::execute("gm", {"convert", one, two, "-adjoin", both}), 0);
    Start();
    main_->FormShow();
    QVERIFY(main_->OpenDocument(both));
    QCOMPARE(main_->statusBar()->currentMessage(), QString("此文件共有2页，只打开了第1页"));
    QCOMPARE(main_->Documents().front()->PageBitmap.Width(), 64);
    QVERIFY(main_->OpenDocument(one));
    QCOMPARE(main_->Documents().front()->FilePages(), 1);
  }

  void bitmapsAndResultsOfTheAdvancedMenu() {
    const QString page = Page("adv.bmp", desktop_test::BoxesPage(200, 160));
    Start();
    main_->FormShow();
    QVERIFY(main_->OpenDocument(page));
    desktop::TFormMDIChild* document = main_->Documents().front();
    QGuiApplication::clipboard()->setText("unchanged");
    main_->CopyCharacterBitmap();  // no current character: nothing
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("unchanged"));
    document->Image1MouseDown(Qt::LeftButton, 30, 20);
    document->Image1MouseMove(90, 70);
    main_->CopySelectionBitmap();
    const QImage copied = QGuiApplication::clipboard()->image();
    QCOMPARE(copied.size(), QSize(59, 49));  // inside the outline
    QCOMPARE(copied.pixel(0, 0), document->CleanViewImage().pixel(31, 21));
    // The blocks of the last run beside the page; a page without a name
    // cannot have them.
    main_->SaveResults();
    QVERIFY(QFileInfo::exists(page + ".RED"));
    main_->OpenScannedPage(desktop_test::BoxesPage(64, 48));
    main_->SaveResults();
    QCOMPARE(ui_->Ui.Messages.size(), 1u);
  }

  void droppedFilesOpenAsTheOpenCommandDoes() {
    const QString first = Page("drop1.bmp", desktop_test::BoxesPage(64, 48));
    const QString second = Page("drop2.bmp", desktop_test::BoxesPage(64, 48));
    Start();
    main_->FormShow();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(main_, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(main_, &drop);
    QTRY_COMPARE(main_->Documents().size(), 1);
    QCOMPARE(main_->Documents().front()->FileName, first);
    QCOMPARE(main_->RecentFiles, QStringList{first});
  }

  void stopEndsARunningRecognition() {
    // Many small marks: a run long enough to yield to the event loop.
    platform::Bitmap page(1600, 2400, 1);
    for (int y = 20; y + 20 < page.Height(); y += 40) {
      for (int x = 20; x + 20 < page.Width(); x += 40) {
        for (int dy = 0; dy < 18; ++dy) {
          for (int dx = 0; dx < 18; ++dx)
            page.Row(y + dy)[(x + dx) >> 3] |= static_cast<uint8_t>(0x80 >> ((x + dx) & 7));
        }
      }
    }
    const QString path = Page("many.bmp", page);
    Start();
    main_->FormShow();
    QVERIFY(main_->OpenDocument(path));
    main_->ShowTips = false;  // an empty library doubts everything
    desktop::QtHooks hooks;   // the real yielding
    platform::SetUi(&hooks);
    bool openDuringRun = true, stopDuringRun = false;
    QTimer::singleShot(0, main_, [&] {
      openDuringRun = main_->OpenAction->isEnabled();
      stopDuringRun = main_->StopAction->isEnabled();
      main_->StopAction->trigger();
    });
    main_->ToolButtonStartClick();
    platform::SetUi(&ui_->Ui);
    QVERIFY(!openDuringRun);
    QVERIFY(stopDuringRun);
    QVERIFY(!main_->Running());
    QVERIFY(main_->OpenAction->isEnabled());
    // Stopped early: far fewer lines than the page's 59 rows of marks.
    const int lines = main_->Documents().front()->RxRichEdit1->document()->blockCount() - 1;
    QVERIFY2(lines < 50, qPrintable(QString::number(lines)));
  }

  void endRequestedWhileTeachingClosesTheProgram() {
    const QString page = Page("end.bmp", desktop_test::BoxesPage(64, 48));
    Start();
    main_->FormShow();
    QVERIFY(main_->OpenDocument(page));
    main_->ShowTips = false;
    library::ProgramEndRequested = true;
    main_->ToolButtonStartClick();
    library::ProgramEndRequested = false;
    QTRY_VERIFY(!main_->isVisible());
    QCOMPARE(main_->Documents().size(), 0);
  }

  void tipsCheckBoxTurnsTheTipsOff() {
    Start();
    main_->FormShow();
    QVERIFY(!main_->FWaring->CheckBox1->isChecked());
    main_->FWaring->CheckBox1->click();
    QVERIFY(!main_->ShowTips);
    QCOMPARE(QSettings().value("DisplayWaring").toInt(), 0);
    QCOMPARE(desktop::TFWaring::Lines().size(), 11);
  }
};

QTEST_MAIN(UnitMAINTest)
#include "UnitMAINTest.moc"
