// The scanner commands of the main window (offscreen) with SANE's test
// devices: choosing the source in the manager's dialog, a scan into a new
// window without a name (saved with the numbering of new pages, and
// recognised), a scan before any choice, a cancelled scan, the pages of a
// feeder, no devices and no source manager. The dialogs are answered as
// they open.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include "DesktopFixtures.h"
#include "input/ui/TwainDialogs.h"
#include "shell/UnitMAIN.h"
#include "support/ScannerFixtures.h"

using desktop::TFormMain;
using input_ui::ScanSettingsDialog;
using input_ui::SourceDialog;

namespace {

std::function<void(QWidget*)> ChooseRow(int row, QStringList* listed = nullptr) {
  return [row, listed](QWidget* modal) {
    auto* dialog = qobject_cast<SourceDialog*>(modal);
    QVERIFY(dialog != nullptr);
    if (listed) {
      for (int i = 0; i < dialog->List->count(); ++i) *listed << dialog->List->item(i)->text();
      *listed << (dialog->Note->isVisible() ? dialog->Note->text() : QString());
    }
    if (row < 0) {
      dialog->CancelButton->click();
    } else {
      dialog->List->setCurrentRow(row);
      dialog->ChooseButton->click();
    }
  };
}

// Scans in the given mode and paper source ("" keeps the device's), or
// cancels.
std::function<void(QWidget*)> Settings(const QString& mode, const QString& paper = QString(), bool scan = true) {
  return [=](QWidget* modal) {
    auto* dialog = qobject_cast<ScanSettingsDialog*>(modal);
    QVERIFY(dialog != nullptr);
    if (!mode.isEmpty()) dialog->Mode->setCurrentText(mode);
    if (!paper.isEmpty()) dialog->PaperSource->setCurrentText(paper);
    (scan ? dialog->ScanButton : dialog->CancelButton)->click();
  };
}

}  // namespace

class UnitMAINScanTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString library_;
  std::shared_ptr<desktop_test::DialogScript> script_;
  std::unique_ptr<desktop_test::ScopedUi> ui_;
  TFormMain* main_ = nullptr;

  bool Start() {
    script_ = std::make_shared<desktop_test::DialogScript>();
    script_->SaveFolder = dir_.path();
    main_ = new TFormMain(std::make_unique<desktop_test::ScriptedDialogs>(script_));
    main_->SetLibraryFolder(library_);
    main_->resize(1000, 700);
    main_->show();
    main_->Scanner().TwainLibrary = scanner_test::TwainLibraryPath();
    main_->ShowTips = false;
    return main_->FormShow() == app::StartResult::Started;
  }

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

  void chooseThenScanANewPage() {
    scanner_test::SaneTestDevices devices(true, {"test-picture \"Grid\""});
    QVERIFY(Start());
    QStringList listed;
    {
      desktop_test::ModalScript dialogs({ChooseRow(1, &listed)});
      main_->ScanSourceAction->trigger();
      QCOMPARE(dialogs.Answered(), 1);  // a chosen name needs no second dialog
    }
    QVERIFY(main_->ScannerSelected);
    QCOMPARE(listed.size(), 3);
    QVERIFY(listed[0].startsWith("test:0"));
    QVERIFY(listed[2].isEmpty());

    // The scan: the chosen source's settings, then a new window without a
    // name holding the page as the device made it.
    {
      desktop_test::ModalScript dialogs({[](QWidget* modal) {
        auto* dialog = qobject_cast<ScanSettingsDialog*>(modal);
        QVERIFY(dialog != nullptr);
        QCOMPARE(dialog->windowTitle(), QString("扫描 - test:1"));
        QCOMPARE(dialog->Mode->currentText(), QString("灰度"));
        QCOMPARE(dialog->Resolution->currentText(), QString("50 dpi"));
        dialog->Resolution->setCurrentText("100 dpi");
        dialog->ScanButton->click();
      }});
      main_->ScanAction->trigger();
      QCOMPARE(dialogs.Answered(), 1);
    }
    QCOMPARE(main_->Documents().size(), 1);
    desktop::TFormMDIChild* document = main_->Documents().front();
    QVERIFY(document->FileName.isEmpty());
    QVERIFY(document->windowTitle().isEmpty());
    QCOMPARE(document->PageBitmap.BitCount(), uint16_t{8});
    QVERIFY(std::abs(document->PageBitmap.Width() - 315) <= 1);
    QVERIFY(std::abs(document->PageBitmap.Height() - 394) <= 1);
    QCOMPARE(document->Panels[0]->text(),
             QString("宽高:%1 %2").arg(document->PageBitmap.Width()).arg(document->PageBitmap.Height()));
    QVERIFY(main_->ScanAction->isEnabled());

    // Saved as a new page: the numbering's first name.
    script_->SaveAnswers = {""};
    main_->SavePage();
    QCOMPARE(QFileInfo(script_->SaveProposals.back()).fileName(), QString("PellarOCR文档001.tif"));

    // A second scan in colour replaces the window.
    {
      desktop_test::ModalScript dialogs({Settings("彩色")});
      main_->ScanPage();
    }
    QCOMPARE(main_->Documents().size(), 1);
    QCOMPARE(main_->Documents().front()->PageBitmap.BitCount(), uint16_t{24});
    QVERIFY(ui_->Ui.Messages.empty());
  }

  void scanBeforeAnyChoiceChoosesFirst() {
    scanner_test::SaneTestDevices devices(true, {"depth 1", "test-picture \"Grid\""});
    QVERIFY(Start());
    {
      desktop_test::ModalScript dialogs({ChooseRow(0), Settings("")});
      main_->ScanPage();
      QCOMPARE(dialogs.Answered(), 2);
    }
    QVERIFY(main_->ScannerSelected);
    QCOMPARE(main_->Documents().size(), 1);
    desktop::TFormMDIChild* document = main_->Documents().front();
    QCOMPARE(document->PageBitmap.BitCount(), uint16_t{1});
    // A black-and-white page can be recognised at once.
    QVERIFY(main_->ToolButtonStart->isEnabled());
    main_->ToolButtonStartClick();
    QVERIFY(!main_->Running());
    QVERIFY(ui_->Ui.Messages.empty());
  }

  void cancelledScanOpensNothing() {
    scanner_test::SaneTestDevices devices;
    QVERIFY(Start());
    const QString page = desktop_test::WriteBmp(dir_, "open.bmp", desktop_test::BoxesPage(64, 48));
    QVERIFY(main_->OpenDocument(page));
    {
      // A cancelled choice asks a second time (no name); then the scan's
      // settings are cancelled.
      desktop_test::ModalScript dialogs({ChooseRow(-1), ChooseRow(-1), Settings("", "", false)});
      main_->ScanSourceAction->trigger();
      QCOMPARE(dialogs.Answered(), 2);
      QVERIFY(main_->ScannerSelected);
      main_->ScanPage();
      QCOMPARE(dialogs.Answered(), 3);
    }
    QCOMPARE(main_->Documents().size(), 1);
    QCOMPARE(main_->Documents().front()->FileName, page);
    QVERIFY(ui_->Ui.Messages.empty());
    // Source and manager were closed: they open again.
    QCOMPARE(main_->Scanner().OpenSourceManager(), 0);
    QCOMPARE(main_->Scanner().CloseAll(), 0);
  }

  // Cancel at "图像已更改,保存吗?" keeps the changed page open, and the scan
  // is not lost: it opens beside it.
  void aScanBesideAChangedPageKeptOpen() {
    scanner_test::SaneTestDevices devices;
    QVERIFY(Start());
    const QString page = desktop_test::WriteBmp(dir_, "changed.bmp", desktop_test::BoxesPage(64, 48));
    QVERIFY(main_->OpenDocument(page));
    main_->Documents().front()->Modified = true;
    ui_->Ui.ScriptedAnswers = {platform::Answer::Cancel};
    {
      desktop_test::ModalScript dialogs({ChooseRow(0), Settings("")});
      main_->ScanPage();
      QCOMPARE(dialogs.Answered(), 2);
    }
    QVERIFY(ui_->Ui.ScriptedAnswers.empty());  // the question was asked
    QCOMPARE(main_->Documents().size(), 2);
    QStringList names;
    for (const desktop::TFormMDIChild* document : main_->Documents()) names << document->FileName;
    QVERIFY(names.contains(page));
    QVERIFY(names.contains(QString()));
  }

  void feederPagesEndInOneWindow() {
    scanner_test::SaneTestDevices devices;
    QVERIFY(Start());
    {
      desktop_test::ModalScript dialogs({ChooseRow(0), Settings("", "自动进纸器")});
      main_->ScanPage();
      QCOMPARE(dialogs.Answered(), 2);
    }
    QCOMPARE(main_->Documents().size(), 1);
    QCOMPARE(main_->MdiArea->subWindowList().size(), 1);
  }

  void noDevicesAndNoManager() {
    {
      scanner_test::SaneTestDevices devices(false);
      QVERIFY(Start());
      QStringList listed;
      desktop_test::ModalScript dialogs({ChooseRow(-1, &listed), ChooseRow(-1), ChooseRow(-1)});
      main_->ChooseScanner();
      QCOMPARE(listed, QStringList{"没有找到扫描设备"});
      main_->ScanPage();
      QCOMPARE(dialogs.Answered(), 3);
      QCOMPARE(main_->Documents().size(), 0);
      QVERIFY(ui_->Ui.Messages.empty());
      cleanup();
      init();
    }
    // Without the source manager library nothing happens but a note in the
    // status line.
    QVERIFY(Start());
    main_->Scanner().TwainLibrary = "/nonexistent/libpellar-twaindsm.so";
    main_->ScanPage();
    QVERIFY(!main_->ScannerSelected);
    QCOMPARE(main_->statusBar()->currentMessage(), QString("没有找到扫描设备"));
    QCOMPARE(main_->Documents().size(), 0);
    QVERIFY(ui_->Ui.Messages.empty());
  }
};

QTEST_MAIN(UnitMAINScanTest)
#include "UnitMAINScanTest.moc"
