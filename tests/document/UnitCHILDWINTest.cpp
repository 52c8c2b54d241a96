// The document window on real widgets (offscreen): the status texts of the
// page refresh, the 10-pixel rule of the selection rectangle, overlays that
// vanish when drawn twice, and the editing cases of the character map on a page that
// was taught to an empty library and recognised.
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include "DesktopFixtures.h"
#include "core/EngineRecords.h"
#include "document/EngineBridge.h"
#include "document/UnitCHILDWIN.h"
#include "library/TemplateLibrary.h"

using desktop::TFormMDIChild;

namespace {

class RecordingHost : public desktop::DocumentHost {
 public:
  bool ShowTipsSetting() const override { return false; }
  void ShowTipsWindow() override { ++tipsShown; }
  void SetMainStatus(const QString& text) override { status = text; }
  void SavePageCommand(TFormMDIChild&) override { ++saves; }
  void ForgetOtherResults(TFormMDIChild&) override {}
  QString status;
  int tipsShown = 0;
  int saves = 0;
};

// Keeps a document's map comparable: the blocks themselves.
core::CharMapList Without(core::CharMapList map, int position, int count) {
  map.erase(map.begin() + position, map.begin() + position + count);
  return map;
}

core::CharMapList WithEmpty(core::CharMapList map, int position, int count) {
  map.insert(map.begin() + position, static_cast<size_t>(count), nullptr);
  return map;
}

}  // namespace

class UnitCHILDWINTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  RecordingHost host_;
  TFormMDIChild* document_ = nullptr;
  QString taughtPage_;

  TFormMDIChild* NewDocument(const platform::Bitmap& page) {
    auto* document = new TFormMDIChild(&host_);
    document->resize(900, 700);
    document->ViewBitmap() = page;
    document->DoLoad(false);
    document->show();
    return document;
  }

  void PlaceCaret(int position, int anchor = -1) {
    QTextCursor cursor = document_->RxRichEdit1->textCursor();
    cursor.setPosition(anchor < 0 ? position : anchor);
    if (anchor >= 0) cursor.setPosition(position, QTextCursor::KeepAnchor);
    document_->RxRichEdit1->setTextCursor(cursor);
  }
  int LineStart(int line) const {
    return document_->RxRichEdit1->document()->findBlockByNumber(line).position();
  }

 private slots:
  void initTestCase() {
    desktop_test::UseTestSettings();
    QVERIFY(dir_.isValid());
    QCOMPARE(desktop::StartEngine(desktop_test::LibraryFolder(dir_).toStdString(), {}),
             app::StartResult::Started);
    taughtPage_ = dir_.filePath("taught.bmp");
    QString error;
    QVERIFY2(desktop_test::RenderTaughtPage(taughtPage_, &error), qPrintable(error));
    // Learning mode with the ground truth beside the page teaches it.
    desktop_test::ScopedUi ui;
    auto* teacher = new TFormMDIChild(&host_);
    teacher->FileName = taughtPage_;
    QVERIFY(teacher->DoLoad(true));
    desktop::LearningMode() = true;
    QVERIFY(teacher->FenXi());
    desktop::LearningMode() = false;
    QVERIFY(library::StatsOfTable(0).Entries > 0);
    teacher->ForgetResults();
    delete teacher;
  }

  void cleanupTestCase() { desktop::FreeRecognitionResults(); }

  void init() {
    desktop_test::ClearSettings();
    document_ = new TFormMDIChild(&host_);
    document_->resize(1000, 700);
    document_->FileName = taughtPage_;
    QVERIFY(document_->DoLoad(true));
    document_->show();
    QVERIFY(QTest::qWaitForWindowExposed(document_));
    QVERIFY(document_->FenXi());
    QVERIFY(document_->CharMap.size() > 40);
    QCOMPARE(static_cast<int>(document_->CharMap.size()),
             document_->RxRichEdit1->document()->characterCount());
  }

  void cleanup() {
    document_->ForgetResults();
    delete document_;
    document_ = nullptr;
  }

  // ------------------------------------------------------------ page view

  void pageRefreshShowsSizeAndDepth() {
    const std::pair<uint16_t, QString> cases[] = {
        {1, "2色"}, {8, "256色"}, {16, "16位增强色"}, {24, "24位真彩色"}, {32, "4294967296色"}};
    for (const auto& [bits, text] : cases) {
      TFormMDIChild* document = NewDocument(desktop_test::WhitePage(40, 30, bits));
      QCOMPARE(document->Panels[0]->text(), QString("宽高:40 30"));
      QCOMPARE(document->Panels[1]->text(), text);
      QCOMPARE(document->Panels[2]->text(), QString("比例:100.0%"));
      QCOMPARE(document->PageBitmap.BitCount(), bits);
      delete document;
    }
  }

  void selectionNeedsTenPixels() {
    TFormMDIChild* document = NewDocument(desktop_test::WhitePage(300, 300, 1));
    const QImage clean = document->Image1->Picture;
    document->Image1MouseDown(Qt::LeftButton, 50, 50);
    document->Image1MouseMove(59, 59);
    QVERIFY(!document->SelectionBox.IsSet());
    QCOMPARE(document->Image1->Picture, clean);
    QCOMPARE(document->Panels[3]->text(), QString("X:59 Y:59"));
    document->Image1MouseMove(60, 55);
    QCOMPARE(document->SelectionBox.Left, 50);
    QCOMPARE(document->SelectionBox.Top, 50);
    QCOMPARE(document->SelectionBox.Right, 60);
    QCOMPARE(document->SelectionBox.Bottom, 55);
    QVERIFY(document->Image1->Picture != clean);
    document->Image1MouseMove(40, 90);  // dragging back across the start
    QCOMPARE(document->SelectionBox.Left, 40);
    QCOMPARE(document->SelectionBox.Right, 50);
    document->Image1MouseUp(Qt::LeftButton, 40, 90);
    // The right button takes the rectangle away and starts no new one.
    document->Image1MouseDown(Qt::RightButton, 100, 100);
    QVERIFY(!document->SelectionBox.IsSet());
    QVERIFY(!document->Dragging);
    QCOMPARE(document->Image1->Picture, clean);
    delete document;
  }

  void drawingTwiceRestoresThePixels() {
    TFormMDIChild* document = NewDocument(desktop_test::BoxesPage(200, 160));
    const QImage page = document->Image1->Picture;
    const QImage thumbnail = document->Image2->Picture;
    for (int pen : {1, 2, 3}) {
      document->DrawRect(0, 10, 199, 80, pen, false);
      QVERIFY(document->Image1->Picture != page);
      document->DrawRect(0, 10, 199, 80, pen, false);
      QCOMPARE(document->Image1->Picture, page);
      QCOMPARE(document->Image2->Picture, thumbnail);
    }
    // The outline is blue on white and yellow on black (not-xor with blue).
    document->DrawRect(100, 50, 150, 120, 1, false);
    QCOMPARE(document->Image1->Picture.pixel(120, 50) & 0xFFFFFF, 0x0000FFu);
    document->DrawRect(30, 50, 50, 120, 1, false);
    QCOMPARE(document->Image1->Picture.pixel(45, 50) & 0xFFFFFF, 0xFFFF00u);
    delete document;
  }

  void thumbnailClickCentresThePage() {
    TFormMDIChild* document = NewDocument(desktop_test::BoxesPage(2000, 3000));
    QVERIFY(QTest::qWaitForWindowExposed(document));
    QTRY_VERIFY(document->Image2->width() > 50);
    const int x = document->Image2->width() / 2;
    const int y = document->Image2->height() / 2;
    document->Image2MouseDown(Qt::LeftButton, x, y);
    const int expectedX = static_cast<int>(static_cast<double>(x) / document->Image2->width() * 2000) -
                          document->ScrollBox1->width() / 2;
    const int expectedY = static_cast<int>(static_cast<double>(y) / document->Image2->height() * 3000) -
                          document->ScrollBox1->height() / 2;
    QCOMPARE(document->ScrollBox1->horizontalScrollBar()->value(), expectedX);
    QCOMPARE(document->ScrollBox1->verticalScrollBar()->value(), expectedY);
    // A drag on the thumbnail draws the selection on the page.
    document->Image2MouseMove(x + 10, y + 10);
    document->Image2MouseUp(Qt::LeftButton, x + 10, y + 10);
    QVERIFY(document->SelectionBox.IsSet());
    QVERIFY(document->SelectionBox.Right - document->SelectionBox.Left >= 10);
    // A hidden pane is neither drawn nor scaled.
    const QImage thumbnail = document->Image2->Picture;
    document->SetThumbnailVisible(false);
    document->Image1MouseDown(Qt::RightButton, 0, 0);
    QCOMPARE(document->Image2->Picture, thumbnail);
    delete document;
  }

  void textPaneKeepsItsSettingHeight() {
    TFormMDIChild* document = NewDocument(desktop_test::WhitePage(40, 30, 1));
    QVERIFY(QTest::qWaitForWindowExposed(document));
    QCOMPARE(document->RxRichEdit1->height(), 100);
    delete document;
  }

  // ------------------------------------------------------------ text and character map

  void typingInsertsAnEmptyEntry() {
    const core::CharMapList before = document_->CharMap;
    PlaceCaret(5);
    QTest::keyClick(document_->RxRichEdit1, Qt::Key_A, Qt::NoModifier);
    QCOMPARE(document_->CharMap, WithEmpty(before, 5, 1));
    QCOMPARE(document_->RxRichEdit1->document()->characterAt(5), QChar('a'));
    // Typed text is black, never shown as doubtful.
    QTextCursor cursor(document_->RxRichEdit1->document());
    cursor.setPosition(6);
    QCOMPARE(cursor.charFormat().foreground().color(), QColor(Qt::black));
  }

  void deleteOverThreeCharacters() {
    const core::CharMapList before = document_->CharMap;
    // Three characters followed by one with a box.
    int p = 0;
    while (p + 3 < static_cast<int>(before.size()) &&
           (before[p] == nullptr || before[p + 1] == nullptr || before[p + 2] == nullptr ||
            before[p + 3] == nullptr)) {
      ++p;
    }
    PlaceCaret(p + 3, p);
    QTest::keyClick(document_->RxRichEdit1, Qt::Key_Delete);
    QCOMPARE(document_->CharMap, Without(before, p, 3));
    // The box of the character now at the caret is shown.
    const core::CharBlock* shown = before[p + 3];
    QVERIFY(shown != nullptr);
    QCOMPARE(document_->CurrentBox.Left, std::max(0, shown->Left - 1));
    QCOMPARE(document_->CurrentBox.Top, std::max(0, shown->Top - 1));
    QCOMPARE(
        document_->Panels[3]->text(),
        QString("坐标:%1 %2 %3 %4").arg(shown->Left).arg(shown->Right).arg(shown->Top).arg(shown->Bottom));
    QVERIFY(host_.status.startsWith("候选字:"));
  }

  void returnInsertsTheLineBreak() {
    const core::CharMapList before = document_->CharMap;
    const int lines = document_->RxRichEdit1->document()->blockCount();
    PlaceCaret(7);
    QTest::keyClick(document_->RxRichEdit1, Qt::Key_Return);
    QCOMPARE(document_->RxRichEdit1->document()->blockCount(), lines + 1);
    QCOMPARE(document_->CharMap, WithEmpty(before, 7, 1));
  }

  void backspaceJoinsLines() {
    const core::CharMapList before = document_->CharMap;
    const int start = LineStart(1);
    QVERIFY(start > 0);
    QCOMPARE(before[start - 1], nullptr);  // the line break
    PlaceCaret(start);
    QTest::keyClick(document_->RxRichEdit1, Qt::Key_Backspace);
    QCOMPARE(document_->CharMap, Without(before, start - 1, 1));
    // Backspace over a selection removes the selection's entries and shows
    // the box at the caret like every other edit.
    const core::CharMapList joined = document_->CharMap;
    PlaceCaret(3, 1);
    QTest::keyClick(document_->RxRichEdit1, Qt::Key_Backspace);
    QCOMPARE(document_->CharMap, Without(joined, 1, 2));
    QVERIFY(document_->CurrentBox.IsSet());
  }

  void pasteInsertsOneEntryPerCharacter() {
    const core::CharMapList before = document_->CharMap;
    QGuiApplication::clipboard()->setText("两个a");
    PlaceCaret(4);
    QTest::keyClick(document_->RxRichEdit1, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(document_->CharMap, WithEmpty(before, 4, 3));
    // Replacing a selection by a paste: the selection's entries go first.
    PlaceCaret(12, 10);
    QTest::keyClick(document_->RxRichEdit1, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(document_->CharMap, WithEmpty(Without(WithEmpty(before, 4, 3), 10, 2), 10, 3));
  }

  void undoRestoresTheWholeMap() {
    const core::CharMapList before = document_->CharMap;
    PlaceCaret(6, 2);
    QTest::keyClick(document_->RxRichEdit1, Qt::Key_Delete);
    QCOMPARE(document_->CharMap, Without(before, 2, 4));
    QTest::keyClick(document_->RxRichEdit1, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(document_->CharMap, before);
    // Typing, then two undo steps and a redo.
    PlaceCaret(3);
    QTest::keyClicks(document_->RxRichEdit1, "xy");
    PlaceCaret(20);
    QTest::keyClick(document_->RxRichEdit1, Qt::Key_Return);
    const core::CharMapList edited = document_->CharMap;
    QTest::keyClick(document_->RxRichEdit1, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(document_->CharMap, WithEmpty(before, 3, 2));
    QTest::keyClick(document_->RxRichEdit1, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(document_->CharMap, before);
    document_->Redo();
    document_->Redo();
    QCOMPARE(document_->CharMap, edited);
  }

  void caretPastTheLastBoxClearsTheBox() {
    PlaceCaret(0);
    document_->RefreshDisplay();
    QVERIFY(document_->CurrentBox.IsSet());
    const QImage withBox = document_->Image1->Picture;
    const QString coordinates = document_->Panels[3]->text();
    const QString status = host_.status;
    PlaceCaret(document_->RxRichEdit1->document()->characterCount() - 1);
    document_->RefreshDisplay();
    QVERIFY(!document_->CurrentBox.IsSet());
    QVERIFY(document_->Image1->Picture != withBox);
    QCOMPARE(document_->Panels[3]->text(), coordinates);
    QCOMPARE(host_.status, status);
    // The box is gone from the page: the view is the page again.
    TFormMDIChild* clean = NewDocument(document_->PageBitmap);
    QCOMPARE(document_->Image1->Picture, clean->Image1->Picture);
    delete clean;
  }

  void overwriteModeKeepsTheReplacedBoxes() {
    const core::CharMapList before = document_->CharMap;
    PlaceCaret(3);
    QTest::keyClick(document_->RxRichEdit1, Qt::Key_Insert);
    QCoreApplication::processEvents();  // the caret message
    QVERIFY(!document_->InsertMode);
    QCOMPARE(document_->RxRichEdit1->CaretWidth(), 11);
    QCOMPARE(document_->RxRichEdit1->CaretHeight(), 18);
    QTest::keyClicks(document_->RxRichEdit1, "ab");
    QCOMPARE(document_->CharMap, before);
    QCOMPARE(document_->RxRichEdit1->document()->characterAt(3), QChar('a'));
    // At the end of a line overwrite inserts (the line break stays).
    const int end = LineStart(1) - 1;
    PlaceCaret(end);
    QTest::keyClick(document_->RxRichEdit1, Qt::Key_C);
    QCOMPARE(document_->CharMap, WithEmpty(before, end, 1));
    QTest::keyClick(document_->RxRichEdit1, Qt::Key_Insert);
    QCoreApplication::processEvents();
    QVERIFY(document_->InsertMode);
    QCOMPARE(document_->RxRichEdit1->CaretWidth(), 1);
  }

  void doubtfulCharactersAreRed() {
    // Every red character of the pane is one whose block scored 41 or less.
    const QTextDocument* text = document_->RxRichEdit1->document();
    for (int p = 0; p < static_cast<int>(document_->CharMap.size()); ++p) {
      QTextCursor cursor(const_cast<QTextDocument*>(text));
      cursor.setPosition(p + 1);
      const bool red = cursor.charFormat().foreground().color() == QColor(Qt::red);
      const core::CharBlock* block = document_->CharMap[p];
      QCOMPARE(red, block != nullptr && block->Scores[0] <= core::RedScore);
    }
  }

  void boxesStopAtThePageEdge() {
    core::CharBlock corner{};
    corner.Left = 0;
    corner.Top = 0;
    corner.Right = 10;
    corner.Bottom = 12;
    document_->CharMap[0] = &corner;
    PlaceCaret(0);
    document_->RefreshDisplay();
    QCOMPARE(document_->CurrentBox.Left, 0);
    QCOMPARE(document_->CurrentBox.Top, 0);
    QCOMPARE(document_->CurrentBox.Right, 11);
    QCOMPARE(document_->CurrentBox.Bottom, 13);
    PlaceCaret(1);
    document_->RefreshDisplay();
    document_->CharMap[0] = nullptr;
  }

  void deletingTheLastCharacterRemovesItsEntry() {
    const core::CharMapList before = document_->CharMap;
    const int size = static_cast<int>(before.size());
    QVERIFY(before[size - 3] != nullptr);  // the last character, its line break, the end
    PlaceCaret(size - 2);
    QTest::keyClick(document_->RxRichEdit1, Qt::Key_Backspace);
    QCOMPARE(document_->CharMap, Without(before, size - 3, 1));
    QVERIFY(!document_->CurrentBox.IsSet());  // the caret is at the line's end now
  }

  void deleteRectLeavesTheLastTwoEntries() {
    const core::CharMapList before = document_->CharMap;
    const int size = static_cast<int>(before.size());
    document_->DeleteRect(size - 4, 4);
    QCOMPARE(static_cast<int>(document_->CharMap.size()), size - 2);
    QCOMPARE(document_->CharMap.back(), before.back());
    QCOMPARE(document_->CharMap[size - 4], before[size - 2]);
  }
};

QTEST_MAIN(UnitCHILDWINTest)
#include "UnitCHILDWINTest.moc"
