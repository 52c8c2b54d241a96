// The library window and the text prompt (see UnitDisplay.h).
#include "library/ui/UnitDisplay.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "formats/BmpCodec.h"
#include "library/CharIndex.h"
#include "library/TemplateLibrary.h"
#include "platform/Encoding.h"
#include "platform/UiHooks.h"

namespace library_ui {

namespace {

// The image area: 16 screen pixels per page pixel of the cell's size, at
// most 640 × 480; the page pixels themselves are shown at their own size.
constexpr int kCellScale = 16;
constexpr int kMaxImageWidth = 640;
constexpr int kMaxImageHeight = 480;
constexpr int kMarkSize = 3;
constexpr int kWordDigits = 6;
constexpr int kDeleteAttempts = 8;  // with CheckDelAllFont: up to 8 copies of an entry
// The prompt's edit: 7.4 pixels per character at 1.5 times, at least 10.
constexpr double kPromptCharWidth = 7.4;
constexpr double kPromptWidthFactor = 1.5;
constexpr int kPromptMinChars = 10;
constexpr int kPromptGap = 10;
constexpr int kPromptMargin = 20;

const char* const kShortCharacter = "汉字长度不足2位.";
const char* const kDeleteQuestion = "真的删除?";
const char* const kDeleteError = "error2";
const char* const kSaveError = "保存出错!";
const char* const kCellImageFile = "1.bmp";

QFont SongFont(int pixels) {
  QFont font;
  font.setFamilies({"SimSun", "Noto Serif CJK SC", "AR PL UMing CN", "AR PL SungtiL GB", "Noto Sans CJK SC"});
  font.setPixelSize(pixels);
  return font;
}

QString FromGbk(const std::string& gbk) {
  return QString::fromStdString(platform::GbkToUtf8(gbk));
}

std::string ToGbk(const QString& text) {
  return platform::Utf8ToGbk(text.toStdString());
}

// Six digits 0 … 4: a feature word.
bool IsFeatureWord(const std::string& text) {
  return text.size() == kWordDigits &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '4'; });
}

bool IsNumber(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

// ---------------------------------------------------------------- PromptBox

PromptBox::PromptBox(const QString& caption, const QString& label, const QString& initial, QWidget* parent)
    : QDialog(parent) {
  setObjectName("PromptBox");
  setWindowTitle(caption);
  setFont(SongFont(12));
  Label = new QLabel(label, this);
  Label->adjustSize();
  Label->move(kPromptGap, kPromptGap + 4);
  Edit = new QLineEdit(initial, this);
  Edit->setObjectName("Edit");
  Edit->setEchoMode(QLineEdit::Normal);
  const auto bytes = static_cast<int>(platform::Utf8ToGbk(initial.toStdString()).size());
  const int editWidth =
      static_cast<int>(std::trunc(std::max(bytes, kPromptMinChars) * kPromptWidthFactor * kPromptCharWidth));
  Edit->setGeometry(Label->geometry().right() + 1 + kPromptGap, kPromptGap, editWidth, Edit->sizeHint().height());
  const int width = Edit->geometry().right() + 1 + kPromptMargin;
  OkButton = new QPushButton("确定", this);
  OkButton->setObjectName("OkButton");
  OkButton->setDefault(true);
  CancelButton = new QPushButton("取消", this);
  CancelButton->setObjectName("CancelButton");
  const int buttonsTop = Edit->geometry().bottom() + 1 + kPromptGap;
  const int centre = width / 2;
  OkButton->move(centre - kPromptGap - OkButton->sizeHint().width(), buttonsTop);
  OkButton->resize(OkButton->sizeHint());
  CancelButton->move(centre + kPromptGap, buttonsTop);
  CancelButton->resize(CancelButton->sizeHint());
  setFixedSize(width, buttonsTop + OkButton->height() + kPromptGap);
  connect(OkButton, &QPushButton::clicked, this, [this] { done(static_cast<int>(platform::Answer::Yes)); });
  connect(CancelButton, &QPushButton::clicked, this, [this] { done(static_cast<int>(platform::Answer::No)); });
}

QString AskText(const QString& caption, const QString& label, const QString& initial, QWidget* parent) {
  PromptBox prompt(caption, label, initial, parent);
  return prompt.exec() == static_cast<int>(platform::Answer::Yes) ? prompt.Edit->text() : QString();
}

// ---------------------------------------------------------------- the cell's picture

void CellView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  painter.drawImage(0, 0, Picture);
}

void CellView::mousePressEvent(QMouseEvent* event) {
  if (OnMouseDown) OnMouseDown(event->button(), event->position().toPoint().x(), event->position().toPoint().y());
  QWidget::mousePressEvent(event);
}

// ---------------------------------------------------------------- TFormDisplay

TFormDisplay::TFormDisplay(QWidget* parent) : QDialog(parent) {
  setObjectName("FormDisplay");
  setWindowTitle("显示");
  setFont(SongFont(12));
  resize(638, 450);

  Panel1 = new QWidget;
  Panel1->setObjectName("Panel1");
  Panel1->setFixedHeight(57);
  Label1 = new QLabel("回退");
  ComboBox1 = new QComboBox;
  ComboBox1->setObjectName("ComboBox1");
  ComboBox1->setMinimumWidth(200);
  BitBtn1 = new QPushButton("点阵");
  BitBtn1->setObjectName("BitBtn1");
  Edit1 = new QLineEdit("6");
  Edit1->setObjectName("Edit1");
  Edit1->setFixedWidth(40);
  BitBtn5 = new QPushButton("继续");
  BitBtn5->setObjectName("BitBtn5");
  BitBtn6 = new QPushButton("关闭");
  BitBtn6->setObjectName("BitBtn6");
  Edit2 = new QLineEdit;
  Edit2->setObjectName("Edit2");
  Edit2->setFont(SongFont(16));
  Edit2->setFixedWidth(80);
  Label2 = new QLabel("全部");
  Edit3 = new QLineEdit;
  Edit3->setObjectName("Edit3");
  Edit3->setFont(SongFont(16));
  for (QPushButton* button : {BitBtn1, BitBtn5, BitBtn6}) button->setAutoDefault(false);
  auto* top = new QGridLayout(Panel1);
  top->setContentsMargins(4, 2, 4, 2);
  top->setVerticalSpacing(2);
  top->addWidget(Label1, 0, 0);
  top->addWidget(ComboBox1, 0, 1, 1, 2);
  top->addWidget(BitBtn1, 0, 3);
  top->addWidget(Edit1, 0, 4);
  top->addWidget(BitBtn5, 0, 5);
  top->addWidget(BitBtn6, 0, 6);
  top->addWidget(Edit2, 1, 1);
  top->addWidget(Label2, 1, 2, Qt::AlignRight);
  top->addWidget(Edit3, 1, 3, 1, 4);
  top->setColumnStretch(2, 1);

  Panel3 = new QScrollArea;
  Panel3->setObjectName("Panel3");
  Panel3->setWidgetResizable(false);
  Panel3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Image1 = new CellView;
  Image1->setObjectName("Image1");
  Image1->resize(0, 0);
  Image1->setContextMenuPolicy(Qt::CustomContextMenu);
  Panel3->setWidget(Image1);

  Panel4 = new QWidget;
  Panel4->setObjectName("Panel4");
  Panel4->setFixedWidth(200);
  ListBox1 = new QListWidget;
  ListBox1->setObjectName("ListBox1");
  ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
  ListBox1->installEventFilter(this);
  CheckDelAllFont = new QCheckBox("删除时删所有字体");
  CheckDelAllFont->setObjectName("CheckDelAllFont");
  Button1 = new QPushButton("保存");
  Button1->setObjectName("Button1");
  Button1->setAutoDefault(false);
  auto* right = new QVBoxLayout(Panel4);
  right->setContentsMargins(0, 0, 0, 0);
  right->addWidget(ListBox1, 1);
  right->addWidget(CheckDelAllFont);
  right->addWidget(Button1);

  StatusBar1 = new QStatusBar;
  StatusBar1->setObjectName("StatusBar1");
  StatusBar1->setSizeGripEnabled(false);

  auto* middle = new QHBoxLayout;
  middle->addWidget(Panel3, 1);
  middle->addWidget(Panel4);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(Panel1);
  layout->addLayout(middle, 1);
  layout->addWidget(StatusBar1);

  ImageMenu = new QMenu(this);
  connect(ImageMenu->addAction("保存"), &QAction::triggered, this, [this] { SaveCellImage(); });
  ListMenu = new QMenu(this);
  connect(ListMenu->addAction("删除"), &QAction::triggered, this, [this] { DeleteEntry(); });
  connect(ListMenu->addAction("生成源代码"), &QAction::triggered, this, [this] { MakeSourceLine(); });
  connect(Image1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { ImageMenu->popup(Image1->mapToGlobal(at)); });
  connect(ListBox1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { ListMenu->popup(ListBox1->viewport()->mapToGlobal(at)); });

  Image1->OnMouseDown = [this](Qt::MouseButton button, int x, int y) { Image1MouseDown(button, x, y); };
  connect(BitBtn1, &QPushButton::clicked, this, [this] { ShowCellPixels(); });
  connect(BitBtn5, &QPushButton::clicked, this, [this] { done(kRetryResult); });
  connect(BitBtn6, &QPushButton::clicked, this, [this] { done(kNoResult); });
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Edit1, &QLineEdit::editingFinished, this, [this] { Edit1Exit(); });
  connect(ComboBox1, &QComboBox::activated, this, [this](int index) { ComboBox1Select(index); });
  connect(ListBox1, &QListWidget::itemClicked, this, [this] { ListBox1Select(); });
  Edit2->installEventFilter(this);
  Edit3->installEventFilter(this);
}

learning::WindowResult TFormDisplay::ShowModal() {
  return exec() == kNoResult ? learning::WindowResult::No : learning::WindowResult::Retry;
}

void TFormDisplay::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

bool TFormDisplay::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == Edit2 || watched == Edit3) && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      Button1Click();
      return true;  // the key goes no further
    }
  }
  if (watched == ListBox1 && event->type() == QEvent::KeyRelease) ListBox1Select();
  return QDialog::eventFilter(watched, event);
}

void TFormDisplay::FormShow() {
  ComboBox1->setCurrentIndex(-1);
  ReadZoomFactor();
  if (Model().IsLearningView) ShowCellPixels();
  ShowModel();
  if (Model().IsLearningView) Edit2->setFocus();
}

void TFormDisplay::ShowModel() {
  const library::DisplayModel& model = Model();
  setWindowTitle(QString::fromStdString(model.Caption));
  Edit2->setText(FromGbk(model.Edit2));
  Edit3->setText(FromGbk(model.Edit3));
  const int row = ListBox1->currentRow();
  ListBox1->clear();
  for (const std::string& line : model.FeatureLines) ListBox1->addItem(FromGbk(line));
  if (row >= 0 && row < ListBox1->count()) ListBox1->setCurrentRow(row);
  const QSignalBlocker quiet(ComboBox1);
  ComboBox1->clear();
  for (const std::string& line : model.History) ComboBox1->addItem(FromGbk(line));
  ComboBox1->setCurrentIndex(-1);
}

void TFormDisplay::TakeCharacter() {
  Model().Edit2 = ToGbk(Edit2->text());
}

bool TFormDisplay::ReadZoomFactor() {
  bool number = false;
  const int factor = Edit1->text().trimmed().toInt(&number);
  if (!number) {
    platform::Ui().ShowMessage(QString("'%1' is not a valid integer value").arg(Edit1->text()).toStdString(),
                               platform::MessageIcon::Error, platform::MessageButtons::Ok,
                               platform::QuestionId::Other);
    return false;
  }
  // Clicks are divided by the factor.
  if (factor < 1) {
    platform::Ui().ShowMessage("缩放倍数至少为1", platform::MessageIcon::Error, platform::MessageButtons::Ok,
                               platform::QuestionId::Other);
    return false;
  }
  ZoomFactor = factor;
  return true;
}

void TFormDisplay::ShowCellPixels() {
  const library::DisplayModel& model = Model();
  if (model.Block == nullptr || model.PageBitmap == nullptr) return;
  const core::CharBlock& block = *model.Block;
  const platform::Bitmap& page = *model.PageBitmap;
  const int cellWidth = block.Right - block.Left + 1;
  const int cellHeight = block.Bottom - block.Top + 1;
  // A cell one pixel wide or high still gets room for its pixels.
  const int width = std::min(kMaxImageWidth, std::max(kCellScale * (cellWidth - 1), cellWidth));
  const int height = std::min(kMaxImageHeight, std::max(kCellScale * (cellHeight - 1), cellHeight));
  QImage picture(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
  picture.fill(Qt::white);
  // The pages of a run are black and white.
  if (page.BitCount() == 1 && page.Palette().size() >= 2) {
    for (int y = 0; y < cellHeight && y < picture.height(); ++y) {
      const int pageY = block.Top + y;
      if (pageY < 0 || pageY >= page.Height()) continue;
      const uint8_t* row = page.Row(pageY);
      for (int x = 0; x < cellWidth && x < picture.width(); ++x) {
        const int pageX = block.Left + x;
        if (pageX < 0 || pageX >= page.Width()) continue;
        const platform::RgbQuad& colour = page.Palette()[(row[pageX >> 3] >> (7 - (pageX & 7))) & 1];
        picture.setPixel(x, y, qRgb(colour.Red, colour.Green, colour.Blue));
      }
    }
  }
  Image1->Picture = picture;
  Image1->resize(picture.size());
  Image1->update();
}

void TFormDisplay::Image1MouseDown(Qt::MouseButton button, int x, int y) {
  if (button != Qt::LeftButton) return;
  const int gx = x / ZoomFactor;
  const int gy = y / ZoomFactor;
  setWindowTitle(QString("x:%1 y:%2").arg(gx).arg(gy));
  QImage& picture = Image1->Picture;
  if (!picture.valid(x, y) || (picture.pixel(x, y) & 0xFFFFFF) != 0) return;
  QPainter painter(&picture);
  painter.setPen(Qt::red);
  painter.setBrush(Qt::NoBrush);
  // A rectangle from (left, top) to (right, bottom) covers the pixels up to
  // one before its right and bottom edges.
  painter.drawRect(gx * ZoomFactor, gy * ZoomFactor, kMarkSize - 1, kMarkSize - 1);
  painter.end();
  Image1->update();
}

void TFormDisplay::ListBox1Select() {
  StatusBar1->showMessage(QString("ItemIndex:%1").arg(ListBox1->currentRow()));
}

void TFormDisplay::Edit1Exit() {
  ReadZoomFactor();
}

void TFormDisplay::ComboBox1Select(int index) {
  Model().UndoLearnedCharacter(index);
  ShowModel();
  Edit2->setFocus();
}

void TFormDisplay::Button1Click() {
  TakeCharacter();
  Model().LearnCharacter();
  ShowModel();
  // The supervisor chose to end the program after a refused entry: the run
  // stops, and the program ends after it.
  if (library::ProgramEndRequested && isVisible()) done(kNoResult);
}

void TFormDisplay::DeleteEntry() {
  const int table = ListBox1->currentRow();
  if (!library::LearningMode || table < 0) return;
  const std::string character = ToGbk(Edit2->text().trimmed());
  if (character.size() != 2) {
    platform::ShowNotice(kShortCharacter);
    return;
  }
  const std::string asked = ToGbk(AskText("提示", "汉字", FromGbk(character), this));
  if (asked.size() != 2) return;
  const std::string word = ToGbk(AskText("提示", "值", ListBox1->item(table)->text(), this));
  // The supervisor takes the annotations off the line; a word it cannot be
  // stops here like a word of the wrong length.
  if (!IsFeatureWord(word)) return;
  if (platform::AskQuestion(kDeleteQuestion + platform::GbkToUtf8(asked) + " " + word,
                            platform::MessageButtons::YesNo) != platform::Answer::Yes) {
    return;
  }
  const int32_t index = library::FeatureWordToIndex(std::stoi(word));
  const core::CharCode code = core::MakeCode(static_cast<uint8_t>(asked[0]), static_cast<uint8_t>(asked[1]));
  try {
    if (CheckDelAllFont->isChecked()) {
      bool removed = false;
      for (int i = 0; i < kDeleteAttempts; ++i) removed = library::LibraryRemove(table, index, code) || removed;
      if (removed) library::LibraryChanged = true;
    } else if (library::LibraryRemove(table, index, code)) {
      library::LibraryChanged = true;
    } else {
      platform::ShowNotice(kDeleteError);
    }
  } catch (const library::CodeError& error) {
    platform::ShowNotice(error.what());
  }
}

void TFormDisplay::MakeSourceLine() {
  const std::string character = ToGbk(Edit2->text());
  const int row = ListBox1->currentRow();
  if (character.size() != 2 || row < 0) return;
  std::string word = ToGbk(ListBox1->item(row)->text());
  // A line annotated with the neighbour word where the character was found
  // gives that word.
  const size_t space = word.find(' ');
  if (space != std::string::npos) word.erase(0, space + 1);
  if (word.size() != kWordDigits || !IsNumber(word)) return;
  // The two bytes of the character as a little-endian number.
  const unsigned value = static_cast<uint8_t>(character[0]) | (static_cast<unsigned>(static_cast<uint8_t>(character[1])) << 8);
  const QString line = QString("if not test($%1 {%2}, %3) then exit;")
                           .arg(QString("%1").arg(value, 4, 16, QChar('0')).toUpper(), Edit2->text(),
                                QString::number(library::FeatureWordToIndex(std::stoi(word))));
  AskText("", "代码：", line, this);
}

void TFormDisplay::SaveCellImage() {
  const QImage& picture = Image1->Picture;
  if (picture.isNull()) return;
  platform::Bitmap bitmap(picture.width(), picture.height(), 1);  // entry 0 white, 1 black
  for (int y = 0; y < picture.height(); ++y) {
    uint8_t* row = bitmap.Row(y);
    for (int x = 0; x < picture.width(); ++x) {
      if (qGray(picture.pixel(x, y)) < 128) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
  }
  const QString file = QDir::current().filePath(kCellImageFile);
  if (!formats::WriteBmpFile(file.toStdString(), bitmap)) {
    platform::ShowNotice(std::string(kSaveError) + "\n" + QDir::toNativeSeparators(file).toStdString());
  }
}

}  // namespace library_ui
