// Learning mode in the desktop program (offscreen): after each line the
// index ruler and the input box; a misread character taught from the
// library window is read right by the next run and after a restart; the
// box's "结束" and "改模式", and the stop command while it waits. The input
// box and the library window are answered as they show.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include "DesktopFixtures.h"
#include "document/EngineBridge.h"
#include "engine/EngineState.h"
#include "formats/BmpCodec.h"
#include "learning/LearningDialogue.h"
#include "library/TemplateLibrary.h"
#include "library/ui/UnitDisplay.h"
#include "library/ui/UnitInputBox.h"
#include "platform/Encoding.h"
#include "shell/UnitMAIN.h"
#include "support/CorrectionFixtures.h"

using desktop::TFormMain;
using library_ui::TFormDisplay;
using library_ui::TFormInputBox;

namespace {

// The character no taught page holds.
const char* const kNewCharacter = "鸟";

// Answers the input box each time it shows, in order; with no answer left
// it goes on with the next line (an empty text).
class BoxScript : public QObject {
 public:
  BoxScript(TFormInputBox* box, std::deque<std::function<void(TFormInputBox*)>> answers)
      : box_(box), answers_(std::move(answers)) {
    box_->installEventFilter(this);
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (!box_->isVisible() || answered_) return;
      answered_ = true;
      ++shown_;
      if (answers_.empty()) {
        box_->Button1->click();
        return;
      }
      auto answer = std::move(answers_.front());
      answers_.pop_front();
      answer(box_);
    });
    timer_.start();
  }
  int Shown() const { return shown_; }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Hide) answered_ = false;
    return false;
  }

 private:
  TFormInputBox* box_;
  std::deque<std::function<void(TFormInputBox*)>> answers_;
  QTimer timer_;
  bool answered_ = false;
  int shown_ = 0;
};

std::function<void(TFormInputBox*)> Type(const QString& text) {
  return [text](TFormInputBox* box) {
    QTest::keyClicks(box->Edit1, text);
    QTest::keyClick(box->Edit1, Qt::Key_Return);
  };
}

QStringList PaneLines(const TFormMain& main) {
  QStringList lines;
  const QTextDocument* text = main.Documents().front()->RxRichEdit1->document();
  for (QTextBlock block = text->begin(); block.isValid(); block = block.next()) lines << block.text();
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.pop_back();
  return lines;
}

}  // namespace

class UnitMAINLearningTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString library_;
  QString taught_;    // a page with its ground truth: teaches the library
  QString lines_;     // the same text without ground truth: read and asked about
  QString page_;      // taught characters and one new one
  correction_test::GroundTruthPage rendered_;
  std::unique_ptr<desktop_test::ScopedUi> ui_;
  TFormMain* main_ = nullptr;

  bool Start(bool learning, const QString& library = {}) {
    QSettings().setValue("supervisor", 1);
    ui_->Ui.ScriptedAnswers.push_back(learning ? platform::Answer::Yes : platform::Answer::No);
    main_ = new TFormMain(std::make_unique<desktop_test::ScriptedDialogs>(std::make_shared<desktop_test::DialogScript>()));
    main_->SetLibraryFolder(library.isEmpty() ? library_ : library);
    main_->resize(1200, 800);
    main_->show();
    main_->ShowTips = false;
    return main_->FormShow() == app::StartResult::Started && desktop::LearningMode() == learning;
  }
  void Stop() {
    for (desktop::TFormMDIChild* document : main_->Documents()) document->Modified = false;
    main_->close();
    delete main_;
    main_ = nullptr;
  }
  void Recognise(const QString& page) {
    QVERIFY(main_->OpenDocument(page));
    main_->ToolButtonStartClick();
    QVERIFY(!main_->Running());
  }
  // The number of the line's block that holds the new character.
  int NewCharacterBlock() const {
    const std::string gbk = platform::Utf8ToGbk(kNewCharacter);
    for (const training::RenderedChar& c : rendered_.Page.Chars) {
      if (c.Gbk != gbk) continue;
      const int x = (c.Left + c.Right) / 2, y = (c.Top + c.Bottom) / 2;
      for (size_t k = 0; k < engine::LineBlocks->size(); ++k) {
        const core::CharBlock& block = *(*engine::LineBlocks)[k];
        if (block.Left <= x && x <= block.Right && block.Top <= y && y <= block.Bottom) return static_cast<int>(k);
      }
    }
    return -1;
  }

 private slots:
  void initTestCase() {
    desktop_test::UseTestSettings();
    QVERIFY(dir_.isValid());
    library_ = desktop_test::LibraryFolder(dir_);
    taught_ = dir_.filePath("taught.bmp");
    QString error;
    QVERIFY2(desktop_test::RenderTaughtPage(taught_, &error), qPrintable(error));
    lines_ = dir_.filePath("lines.bmp");
    QVERIFY(QFile::copy(taught_, lines_));
    page_ = dir_.filePath("page.bmp");
    std::string why;
    QVERIFY2(correction_test::RenderGroundTruthPage({"我们在学校里读书写字鸟"}, 1400, 300, page_.toStdString(),
                                                    rendered_, &why),
             why.c_str());
    QVERIFY(QFile::remove(page_ + ".RED"));
    QVERIFY(formats::WriteBmpFile(page_.toStdString(), rendered_.Page.Page));
  }

  void init() {
    desktop_test::ClearSettings();
    ui_ = std::make_unique<desktop_test::ScopedUi>();
  }

  void cleanup() {
    if (main_ != nullptr) Stop();
    learning::SkipLearning = false;
    desktop::LearningMode() = false;
    desktop::SupervisorMode() = false;
    ui_.reset();
  }

  void teachingAMisreadCharacterLastsAcrossRuns() {
    QVERIFY(Start(true));
    // The library learns the taught page from its ground truth.
    Recognise(taught_);
    QVERIFY(library::LibraryChanged);

    // The supervisor reads the new page, picks the misread character and
    // teaches it in the library window, then ends the run.
    int block = -1;
    QString prefilled;
    int historyLines = -1;
    {
      BoxScript box(main_->FormInputBox, {[&block, this](TFormInputBox* input) {
                      block = NewCharacterBlock();
                      Type(QString::number(block))(input);
                    }});
      desktop_test::ModalScript window({[&](QWidget* modal) {
        auto* display = qobject_cast<TFormDisplay*>(modal);
        QVERIFY(display != nullptr);
        prefilled = display->Edit2->text();
        display->Edit2->setText(kNewCharacter);
        QTest::keyClick(display->Edit2, Qt::Key_Return);
        historyLines = display->ComboBox1->count();
        display->BitBtn6->click();  // "关闭": the run ends
      }});
      Recognise(page_);
      QCOMPARE(box.Shown(), 1);
      QCOMPARE(window.Answered(), 1);
    }
    QVERIFY(block >= 0);
    QVERIFY(prefilled != kNewCharacter);  // the best candidate, if any
    QCOMPARE(historyLines, 1);
    QStringList lines = PaneLines(*main_);
    QCOMPARE(lines.size(), 2);  // the line and its ruler
    QVERIFY2(!lines[0].contains(kNewCharacter), qPrintable(lines[0]));
    // The ruler numbers the blocks: @0 … @9 for the ten read characters,
    // the digit alone for the new one, which has no text.
    QCOMPARE(block, 10);
    QCOMPARE(lines[1].trimmed(), QString("@0@1@2@3@4@5@6@7@8@90"));

    // The next run reads it.
    {
      BoxScript box(main_->FormInputBox, {});
      Recognise(page_);
    }
    lines = PaneLines(*main_);
    QVERIFY2(lines[0].contains(kNewCharacter), qPrintable(lines[0]));

    // Still learned after a restart: the library was written at exit.
    Stop();
    QVERIFY(QFileInfo::exists(QDir(library_).filePath("ZEZID.D00")));
    QVERIFY(Start(false));
    Recognise(page_);
    lines = PaneLines(*main_);
    QCOMPARE(lines.size(), 1);  // no ruler outside learning mode
    QVERIFY2(lines[0].contains(kNewCharacter), qPrintable(lines[0]));
  }

  // A fresh library is empty (the status line says so until a page is
  // taught); tables another program writes while this one learns are kept
  // unless the user answers that they be overwritten at exit.
  void aLibraryChangedOnDiskIsKeptUnlessTheUserOverwritesIt() {
    QTemporaryDir other;
    const QString folder = desktop_test::LibraryFolder(other);
    const QString table = QDir(folder).filePath("ZEZID.D00");
    auto writeTable = [&table] {
      QFile file(table);
      return file.open(QIODevice::WriteOnly) && file.write("another library") > 0;
    };
    auto readTable = [&table] {
      QFile file(table);
      return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    for (const bool overwrite : {false, true}) {
      QFile::remove(table);
      QVERIFY(Start(true, folder));
      auto* empty = main_->findChild<QLabel*>("EmptyLibraryLabel");
      QVERIFY(empty != nullptr);
      QVERIFY(empty->isVisible());
      QCOMPARE(empty->text(), QString("字库为空，学习之前不能识别"));
      Recognise(taught_);
      QVERIFY(library::LibraryChanged);
      QVERIFY(!empty->isVisible());
      QVERIFY(writeTable());
      ui_->Ui.ScriptedAnswers.push_back(overwrite ? platform::Answer::Yes : platform::Answer::No);
      Stop();
      QVERIFY(ui_->Ui.ScriptedAnswers.empty());  // the question was asked
      QCOMPARE(readTable() == "another library", !overwrite);
      QCOMPARE(QFileInfo::exists(QDir(folder).filePath("ZEZID.D01")), overwrite);
    }
  }

  void inputBoxEndsOrSwitchesOffTheQuestions() {
    QVERIFY(Start(true));
    TFormInputBox* box = main_->FormInputBox;
    QCOMPARE(box->windowTitle(), QString("请输入(-1表示结束,-2改变模式)"));
    QVERIFY(box->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(box->size(), QSize(296, 95));

    // "结束": the run stops after the first line.
    {
      BoxScript script(box, {[](TFormInputBox* input) { input->Button2->click(); }});
      Recognise(lines_);
      QCOMPARE(script.Shown(), 1);
    }
    QCOMPARE(PaneLines(*main_).size(), 2);

    // The stop command while the box waits ends the run the same way.
    {
      BoxScript script(box, {[this](TFormInputBox*) { main_->StopAction->trigger(); }});
      Recognise(lines_);
      QCOMPARE(script.Shown(), 1);
      QVERIFY(!box->isVisible());
    }
    QCOMPARE(PaneLines(*main_).size(), 2);

    // A number beyond the line asks again; "改模式" switches the questions
    // off for every later line and run.
    {
      BoxScript script(box, {Type("99"), [](TFormInputBox* input) { input->Button3->click(); }});
      Recognise(lines_);
      QCOMPARE(script.Shown(), 2);
      QVERIFY(learning::SkipLearning);
    }
    const QStringList lines = PaneLines(*main_);
    QVERIFY(lines.size() >= 4);
    QCOMPARE(lines.size() % 2, 0);  // every line with its ruler
    {
      BoxScript script(box, {});
      Recognise(lines_);
      QCOMPARE(script.Shown(), 0);
    }
  }
};

QTEST_MAIN(UnitMAINLearningTest)
#include "UnitMAINLearningTest.moc"
