// The library window on real widgets (offscreen): what the show handler
// puts into the controls, the size and content of the cell's picture, clicks
// with the zoom factor, teaching with Enter and undoing from the history,
// deleting entries, the source line, the prompt's sizes, the saved cell
// image and the window's results (an end of the program asked after a
// refused entry closes it like "关闭"). Messages and questions go through the
// headless hooks; prompts are answered as they open.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include "DesktopFixtures.h"
#include "formats/BmpCodec.h"
#include "library/CharIndex.h"
#include "library/Learning.h"
#include "library/TemplateLibrary.h"
#include "library/ui/UnitDisplay.h"
#include "platform/Encoding.h"

using library_ui::TFormDisplay;
using platform::Answer;

namespace {

constexpr int32_t kWord = 12340;  // digits 0 1 2 3 4 0
const core::CharCode kZhong = core::MakeCode(0xD6, 0xD0);  // 中

bool Holds(int32_t table, int32_t word, core::CharCode code) {
  return library::FindInList(code, library::SlotList(table, library::FeatureWordToIndex(word))) >= 0;
}

// Answers a prompt with a text (or cancels it with an empty one).
std::function<void(QWidget*)> Prompt(const QString& text, QString* shown = nullptr) {
  return [text, shown](QWidget* modal) {
    auto* prompt = qobject_cast<library_ui::PromptBox*>(modal);
    QVERIFY(prompt != nullptr);
    if (shown) *shown = prompt->Edit->text();
    if (text.isEmpty()) {
      prompt->CancelButton->click();
    } else {
      prompt->Edit->setText(text);
      prompt->OkButton->click();
    }
  };
}

}  // namespace

class UnitDisplayTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::unique_ptr<desktop_test::ScopedUi> ui_;
  TFormDisplay* window_ = nullptr;
  core::CharBlock block_{};
  platform::Bitmap page_;

  library::DisplayModel& Model() { return library::LibraryWindow(); }
  platform::HeadlessUi& Ui() { return ui_->Ui; }

  // The block at (left, top) of the given size; `ink` says which of its
  // pixels are black.
  void PlaceBlock(int left, int top, int width, int height, const std::function<bool(int, int)>& ink) {
    block_.Left = left;
    block_.Top = top;
    block_.Right = left + width - 1;
    block_.Bottom = top + height - 1;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        if (ink(x, y)) page_.Row(top + y)[(left + x) >> 3] |= static_cast<uint8_t>(0x80 >> ((left + x) & 7));
      }
    }
  }
  void Show() {
    Model().ShowHandler();
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
  }
  QString Message(size_t i) const { return QString::fromStdString(ui_->Ui.Messages.at(i).Text); }

 private slots:
  void initTestCase() {
    desktop_test::UseTestSettings();
    QVERIFY(dir_.isValid());
    library::SetProgramFolder(dir_.path().toStdString());
  }

  void init() {
    library::ClearLibrary();
    library::LibraryWindow() = library::DisplayModel{};
    library::LearningMode = true;
    library::LibraryChanged = false;
    library::RefusalAnswer = Answer::None;
    library::ProgramEndRequested = false;
    ui_ = std::make_unique<desktop_test::ScopedUi>();
    page_ = platform::Bitmap(800, 200, 1);
    block_ = core::CharBlock{};
    for (int i = 0; i < core::kFeatureWords; ++i) {
      block_.Features[i] = kWord;
      block_.FeatureHits[i] = 1;
    }
    block_.Codes[0] = core::MakeCode(0xC8, 0xCB);  // 人
    block_.Codes[1] = core::MakeCode(0xC8, 0xEB);  // 入
    block_.Codes[2] = core::MakeCode(0xB0, 0xCB);  // 八
    PlaceBlock(30, 20, 10, 20, [](int x, int y) { return (x + y) % 3 == 0; });
    Model().Block = &block_;
    Model().PageBitmap = &page_;
    Model().IsLearningView = true;
    Model().Caption = "子块数:1 准确率:40";
    window_ = new TFormDisplay;
  }

  void cleanup() {
    delete window_;
    window_ = nullptr;
    ui_.reset();
    library::ClearLibrary();
    library::LearningMode = false;
    library::LibraryChanged = false;
  }

  void showHandlerFillsTheControls() {
    block_.Features[3] = 21403;
    block_.FeatureHits[3] = 0;
    Show();
    QCOMPARE(window_->windowTitle(), QString("子块数:1 准确率:40"));
    QCOMPARE(window_->ListBox1->count(), 32);
    QCOMPARE(window_->ListBox1->item(3)->text(), QString("021403不存在"));
    QCOMPARE(window_->ListBox1->item(0)->text(), QString("012340"));
    QCOMPARE(window_->Edit3->text(), QString("人入八"));
    QCOMPARE(window_->Edit2->text(), QString("人"));
    QTRY_COMPARE(QApplication::focusWidget(), window_->Edit2);
    QCOMPARE(window_->ComboBox1->currentIndex(), -1);
    // The list's selection in the status bar.
    QTest::mouseClick(window_->ListBox1->viewport(), Qt::LeftButton, {},
                      window_->ListBox1->visualItemRect(window_->ListBox1->item(5)).center());
    QCOMPARE(window_->StatusBar1->currentMessage(), QString("ItemIndex:5"));
    QTest::keyClick(window_->ListBox1, Qt::Key_Down);
    QCOMPARE(window_->StatusBar1->currentMessage(), QString("ItemIndex:6"));
  }

  void cellPixelsAtTheirOwnSize() {
    Show();
    // 10 × 20 pixels: an area of 16 × 9 by 16 × 19, the pixels at the top left.
    QCOMPARE(window_->Image1->size(), QSize(144, 304));
    const QImage& picture = window_->Image1->Picture;
    QCOMPARE(picture.size(), QSize(144, 304));
    for (int y = 0; y < 20; ++y) {
      for (int x = 0; x < 10; ++x) {
        const QRgb expected = (x + y) % 3 == 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
        QCOMPARE(picture.pixel(x, y) & 0xFFFFFF, expected & 0xFFFFFF);
      }
    }
    QCOMPARE(picture.pixel(10, 0) & 0xFFFFFF, 0xFFFFFFu);
    QCOMPARE(picture.pixel(0, 21) & 0xFFFFFF, 0xFFFFFFu);
    // 60 × 40 pixels: 640 × 480 at most, shown again by "点阵".
    PlaceBlock(100, 50, 60, 40, [](int, int) { return true; });
    window_->BitBtn1->click();
    QCOMPARE(window_->Image1->size(), QSize(640, 480));
    QCOMPARE(window_->Image1->Picture.pixel(59, 39) & 0xFFFFFF, 0u);
    QCOMPARE(window_->Image1->Picture.pixel(60, 39) & 0xFFFFFF, 0xFFFFFFu);
    // A cell one pixel wide still shows its pixels.
    PlaceBlock(300, 50, 1, 12, [](int, int) { return true; });
    window_->ShowCellPixels();
    QCOMPARE(window_->Image1->size(), QSize(1, 176));
    QCOMPARE(window_->Image1->Picture.pixel(0, 11) & 0xFFFFFF, 0u);
  }

  void clicksWithTheZoomFactor() {
    PlaceBlock(100, 50, 30, 30, [](int, int) { return true; });
    Show();
    QCOMPARE(window_->ZoomFactor, 6);
    QTest::mouseClick(window_->Image1, Qt::LeftButton, {}, QPoint(13, 20));
    QCOMPARE(window_->windowTitle(), QString("x:2 y:3"));
    const QImage& picture = window_->Image1->Picture;
    const QRgb red = qRgb(255, 0, 0);
    for (const QPoint& p : {QPoint(12, 18), QPoint(14, 18), QPoint(12, 20), QPoint(14, 20), QPoint(13, 20)})
      QCOMPARE(picture.pixel(p), red);
    QCOMPARE(picture.pixel(13, 19) & 0xFFFFFF, 0u);  // inside, untouched
    QCOMPARE(picture.pixel(15, 21) & 0xFFFFFF, 0u);
    // A white pixel: the caption only; the right button: nothing.
    const QImage before = picture;
    QTest::mouseClick(window_->Image1, Qt::LeftButton, {}, QPoint(100, 100));
    QCOMPARE(window_->windowTitle(), QString("x:16 y:16"));
    QCOMPARE(window_->Image1->Picture, before);
    QTest::mouseClick(window_->Image1, Qt::RightButton, {}, QPoint(20, 20));
    QCOMPARE(window_->windowTitle(), QString("x:16 y:16"));
    // The factor from Edit1 when it is left; not a number (or below one)
    // keeps the old one.
    for (const char* text : {"abc", "0"}) {
      window_->Edit1->setText(text);
      window_->Edit1Exit();
      QCOMPARE(window_->ZoomFactor, 6);
    }
    QCOMPARE(Ui().Messages.size(), 2u);
    QCOMPARE(Message(0), QString("'abc' is not a valid integer value"));
    window_->Edit1->setText("4");
    window_->Edit1Exit();
    QCOMPARE(window_->ZoomFactor, 4);
    QTest::mouseClick(window_->Image1, Qt::LeftButton, {}, QPoint(13, 20));
    QCOMPARE(window_->windowTitle(), QString("x:3 y:5"));
  }

  void teachingWithEnterAndUndoingFromTheHistory() {
    Show();
    window_->Edit2->setText("中");
    QTest::keyClick(window_->Edit2, Qt::Key_Return);
    QVERIFY(window_->isVisible());  // Enter teaches and stays
    for (int table = 0; table < core::kFeatureWords; ++table) QVERIFY(Holds(table, kWord, kZhong));
    QVERIFY(library::LibraryChanged);
    QCOMPARE(window_->ListBox1->item(0)->text(), QString("012340 添加"));
    QCOMPARE(window_->ComboBox1->count(), 1);
    QString expected = "中";
    for (int table = 0; table < core::kFeatureWords; ++table) expected += " 3034";  // 12340 in hexadecimal
    QCOMPARE(window_->ComboBox1->itemText(0), expected);
    QCOMPARE(window_->ComboBox1->currentIndex(), -1);

    // A second step through Edit3's Enter: "a" becomes its full-width form.
    block_.Features[0] = 4;
    window_->Edit2->setText("a");
    QTest::keyClick(window_->Edit3, Qt::Key_Enter);
    QCOMPARE(window_->Edit2->text(), QString("ａ"));
    QCOMPARE(window_->ComboBox1->count(), 2);
    QVERIFY(window_->ComboBox1->itemText(0).startsWith("ａ 4 3034"));

    // Choosing the older line asks, and on No changes nothing.
    Ui().ScriptedAnswers = {Answer::No};
    window_->ComboBox1->activated(1);
    QCOMPARE(Message(0), QString("真的删除?中"));
    QVERIFY(Holds(7, kWord, kZhong));
    QCOMPARE(window_->ComboBox1->count(), 2);
    QCOMPARE(window_->ComboBox1->currentIndex(), -1);
    // On Yes the library is as before the step, the line goes.
    Ui().ScriptedAnswers = {Answer::Yes};
    window_->ComboBox1->activated(1);
    for (int table = 0; table < core::kFeatureWords; ++table) QVERIFY(!Holds(table, kWord, kZhong));
    QCOMPARE(window_->ComboBox1->count(), 1);
    // The newest line's undo also takes its annotations off the list.
    Ui().ScriptedAnswers = {Answer::Yes};
    window_->ComboBox1->activated(0);
    QCOMPARE(window_->ComboBox1->count(), 0);
    QVERIFY(!Holds(0, 4, core::MakeCode(0xA3, 0xE1)));
    QCOMPARE(window_->ListBox1->item(0)->text(), QString("012340"));
    QCOMPARE(Ui().Messages.size(), 3u);  // no "error2"
    QTRY_COMPARE(QApplication::focusWidget(), window_->Edit2);

    // A character that is not learnable by default asks first; after "全部"
    // nobody is asked again and nothing of the kind is added.
    Ui().ScriptedAnswers = {Answer::All};
    window_->Edit2->setText("°");
    QTest::keyClick(window_->Edit2, Qt::Key_Return);
    QCOMPARE(Message(3), QString("\"°\"默认是不允许入库的，是否强制入库(Yes/No/AllNot)？"));
    QTest::keyClick(window_->Edit2, Qt::Key_Return);
    QCOMPARE(Ui().Messages.size(), 4u);
    QCOMPARE(window_->ComboBox1->count(), 0);
  }

  void deletingEntries() {
    Show();
    QVERIFY(library::LibraryAdd(5, library::FeatureWordToIndex(kWord), kZhong) == library::AddResult::Added);
    QVERIFY(library::LibraryAdd(5, library::FeatureWordToIndex(kWord), kZhong) == library::AddResult::Added);
    window_->ListBox1->setCurrentRow(5);
    // Edit2 must hold a character of two bytes.
    window_->Edit2->setText("a");
    window_->DeleteEntry();
    QCOMPARE(Message(0), QString("汉字长度不足2位."));

    // Unchecked: one entry per deletion, "error2" when there is none.
    window_->Edit2->setText("中");
    Ui().ScriptedAnswers = {Answer::Yes, Answer::Yes, Answer::Yes};
    {
      QString shownWord;
      desktop_test::ModalScript prompts({Prompt("中"), Prompt("012340", &shownWord)});
      window_->DeleteEntry();
      QCOMPARE(shownWord, QString("012340"));
    }
    QCOMPARE(Message(1), QString("真的删除?中 012340"));
    QVERIFY(library::LibraryChanged);
    QVERIFY(Holds(5, kWord, kZhong));
    {
      desktop_test::ModalScript prompts({Prompt("中"), Prompt("012340")});
      window_->DeleteEntry();
    }
    QVERIFY(!Holds(5, kWord, kZhong));
    {
      desktop_test::ModalScript prompts({Prompt("中"), Prompt("012340")});
      window_->DeleteEntry();
    }
    QCOMPARE(Message(Ui().Messages.size() - 1), QString("error2"));

    // Checked: every copy goes; nothing found shows nothing and changes
    // nothing.
    for (int k = 0; k < 3; ++k) library::LibraryAdd(5, library::FeatureWordToIndex(kWord), kZhong);
    window_->CheckDelAllFont->setChecked(true);
    library::LibraryChanged = false;
    Ui().ScriptedAnswers = {Answer::Yes, Answer::Yes};
    {
      desktop_test::ModalScript prompts({Prompt("中"), Prompt("012340")});
      window_->DeleteEntry();
    }
    QVERIFY(!Holds(5, kWord, kZhong));
    QVERIFY(library::LibraryChanged);
    library::LibraryChanged = false;
    const size_t shown = Ui().Messages.size();
    {
      desktop_test::ModalScript prompts({Prompt("中"), Prompt("012340")});
      window_->DeleteEntry();
    }
    QCOMPARE(Ui().Messages.size(), shown + 1);  // the question only
    QVERIFY(!library::LibraryChanged);

    // A cancelled prompt or a word the supervisor left annotated stops
    // without asking.
    {
      desktop_test::ModalScript prompts({Prompt("")});
      window_->DeleteEntry();
    }
    {
      desktop_test::ModalScript prompts({Prompt("中"), Prompt("012340 添加")});
      window_->DeleteEntry();
    }
    {
      desktop_test::ModalScript prompts({Prompt("中"), Prompt("999999")});
      window_->DeleteEntry();
    }
    QCOMPARE(Ui().Messages.size(), shown + 1);
    // Outside learning mode there is nothing to delete.
    library::LearningMode = false;
    window_->DeleteEntry();
    QCOMPARE(Ui().Messages.size(), shown + 1);
  }

  void sourceLinesOfAnEntry() {
    Show();
    window_->Edit2->setText("中");
    window_->ListBox1->clear();
    window_->ListBox1->addItems({"012340 012341", "012340 添加", "012340不存在", "012340"});
    auto sourceLine = [this](int row) {
      window_->ListBox1->setCurrentRow(row);
      QString shown;
      desktop_test::ModalScript prompt({Prompt("", &shown)});
      window_->MakeSourceLine();
      QCoreApplication::processEvents();
      return shown;
    };
    const int index = library::FeatureWordToIndex(12341);
    QCOMPARE(sourceLine(0), QString("if not test($D0D6 {中}, %1) then exit;").arg(index));
    QCOMPARE(sourceLine(1), QString());
    QCOMPARE(sourceLine(2), QString());
    QCOMPARE(sourceLine(3), QString("if not test($D0D6 {中}, %1) then exit;").arg(library::FeatureWordToIndex(kWord)));
  }

  void promptSizes() {
    auto check = [](const QString& initial, int editWidth) {
      library_ui::PromptBox prompt("", "代码：", initial);
      QCOMPARE(prompt.Edit->width(), editWidth);
      QCOMPARE(prompt.Edit->x(), prompt.Label->geometry().right() + 1 + 10);
      QCOMPARE(prompt.width(), prompt.Edit->geometry().right() + 1 + 20);
      QCOMPARE(prompt.OkButton->geometry().right() + 1, prompt.width() / 2 - 10);
      QCOMPARE(prompt.CancelButton->x(), prompt.width() / 2 + 10);
      QCOMPARE(prompt.Edit->text(), initial);
      QCOMPARE(prompt.Edit->echoMode(), QLineEdit::Normal);
    };
    check("中", 111);                                      // at least ten
    check("if not test($D0D6 {中}, 1) then exit;", 410);  // 37 bytes
  }

  void windowResultsAndTheSavedCellImage() {
    const QString folder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir_.path()));
    library::LibraryWindow().IsLearningView = true;
    {
      desktop_test::ModalScript answers({[](QWidget* w) { qobject_cast<TFormDisplay*>(w)->BitBtn5->click(); },
                                         [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); },
                                         [](QWidget* w) {
                                           auto* window = qobject_cast<TFormDisplay*>(w);
                                           window->Image1MouseDown(Qt::LeftButton, 0, 0);
                                           window->ImageMenu->actions().front()->trigger();
                                           window->BitBtn6->click();
                                         },
                                         [](QWidget* w) {
                                           // A refused entry, and the supervisor ends the program.
                                           auto* window = qobject_cast<TFormDisplay*>(w);
                                           window->Edit2->setText("“");
                                           QTest::keyClick(window->Edit2, Qt::Key_Return);
                                         }});
      Model().ShowHandler();
      QCOMPARE(window_->ShowModal(), learning::WindowResult::Retry);
      QCOMPARE(window_->ShowModal(), learning::WindowResult::Retry);
      QCOMPARE(window_->ShowModal(), learning::WindowResult::No);
      block_.Features[0] = 0;
      Model().ShowHandler();
      Ui().ScriptedAnswers = {Answer::Yes};
      QCOMPARE(window_->ShowModal(), learning::WindowResult::No);
      QVERIFY(library::ProgramEndRequested);
    }
    platform::Bitmap saved;
    QVERIFY(formats::ReadBmpFile(dir_.filePath("1.bmp").toStdString(), saved));
    QCOMPARE(saved.BitCount(), uint16_t{1});
    QCOMPARE(saved.Width(), 144);
    QCOMPARE(saved.Height(), 304);
    // The cell's first row (black at 0, 3 and 6) with the red mark over
    // 0 … 2: black in the file as well.
    QCOMPARE(saved.Row(0)[0], uint8_t{0xF2});
    QVERIFY(QDir::setCurrent(folder));
  }
};

QTEST_MAIN(UnitDisplayTest)
#include "UnitDisplayTest.moc"
