// The document window (see UnitCHILDWIN.h).
#include "document/UnitCHILDWIN.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "document/EngineBridge.h"
#include "input/ImageLoading.h"
#include "platform/Encoding.h"
#include "platform/PageBits.h"
#include "platform/UiHooks.h"

namespace desktop {

namespace {

constexpr int kThumbnailWidth = 112;
constexpr int kThumbnailHeight = 128;
constexpr int kSplitterWidth = 5;
constexpr int kTextPaneHeight = 100;
constexpr int kPanelWidths[4] = {110, 70, 80, 210};
constexpr int kSelectionPen = 2;
constexpr int kBoxPen = 1;
// A drag shorter than this in both directions draws no rectangle.
constexpr int kDragThreshold = 10;
// The text pane's font height (−16: 16-pixel characters) and the caret.
constexpr int kPaneFontPixels = 16;
constexpr int kInsertCaretWidth = 1;
constexpr int kOverwriteCaretWidth = kPaneFontPixels - 5;
constexpr int kCaretHeight = 2 + kPaneFontPixels;
const char* const kSplitterKey = "Splitter";
const char* const kCloseQuestion = "图像已更改,保存吗?";

// A Song face whose Latin letters and digits are half as wide as a Chinese
// character, as the usual Song face of the system is: then the index ruler
// of learning mode stands under the characters it numbers.
QFont PaneFont() {
  QFont font;
  font.setFamilies({"AR PL SungtiL GB", "Noto Serif CJK SC", "AR PL UMing CN", "Noto Sans CJK SC"});
  font.setPixelSize(kPaneFontPixels);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
}

QFont FormFont() {
  QFont font;
  font.setFamilies({"Noto Sans CJK SC", "WenQuanYi Zen Hei", "Noto Serif CJK SC"});
  font.setPixelSize(12);
  return font;
}

// The page view as the engine's scroll box. Learning mode scrolls it to the
// line it asks about; that line and its index ruler are then the last lines
// of the text, which comes into view at its end.
class ScrollHook : public platform::ScrollBox {
 public:
  ScrollHook(QScrollArea& area, QTextEdit& text) : area_(area), text_(text) {}
  void ScrollTo(int32_t x, int32_t y) override {
    area_.horizontalScrollBar()->setValue(x);
    area_.verticalScrollBar()->setValue(y);
    QScrollBar* lines = text_.verticalScrollBar();
    lines->setValue(lines->maximum());
  }

 private:
  QScrollArea& area_;
  QTextEdit& text_;
};

}  // namespace

QString ColourDepthText(int bitCount) {
  if (bitCount == 16) return "16位增强色";
  if (bitCount == 24) return "24位真彩色";
  // 2 to the power of the bit count, in the shortest decimal form.
  return QString::number(std::ldexp(1.0, bitCount), 'g', 17) + "色";
}

TFormMDIChild::TFormMDIChild(DocumentHost* host, QWidget* parent) : QWidget(parent), host_(host) {
  setObjectName("FormMDIChild");
  setAttribute(Qt::WA_DeleteOnClose);
  setFont(FormFont());

  PanelTop = new QWidget;
  PanelTop->setObjectName("PanelTop");
  ScrollBoxLeft = new QScrollArea;
  ScrollBoxLeft->setObjectName("ScrollBoxLeft");
  ScrollBoxLeft->setFrameShape(QFrame::NoFrame);
  ScrollBoxLeft->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ScrollBoxLeft->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ScrollBoxLeft->setWidgetResizable(false);
  ScrollBoxLeft->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Image2 = new PictureView;
  Image2->setObjectName("Image2");
  Image2->resize(kThumbnailWidth, kThumbnailHeight);
  ScrollBoxLeft->setWidget(Image2);
  ScrollBoxLeft->installEventFilter(this);

  ScrollBox1 = new QScrollArea;
  ScrollBox1->setObjectName("ScrollBox1");
  ScrollBox1->setFrameShape(QFrame::Panel);
  ScrollBox1->setFrameShadow(QFrame::Raised);
  ScrollBox1->setWidgetResizable(false);
  ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  ScrollBox1->setBackgroundRole(QPalette::Dark);
  Image1 = new PictureView;
  Image1->setObjectName("Image1");
  Image1->resize(0, 0);
  ScrollBox1->setWidget(Image1);

  Splitter2 = new QSplitter(Qt::Horizontal, PanelTop);
  Splitter2->setObjectName("Splitter2");
  Splitter2->setHandleWidth(kSplitterWidth);
  Splitter2->setChildrenCollapsible(false);
  Splitter2->addWidget(ScrollBoxLeft);
  Splitter2->addWidget(ScrollBox1);
  Splitter2->setStretchFactor(0, 0);
  Splitter2->setStretchFactor(1, 1);
  ScrollBoxLeft->setMinimumWidth(1);
  auto* topLayout = new QHBoxLayout(PanelTop);
  topLayout->setContentsMargins(0, 0, 0, 0);
  topLayout->addWidget(Splitter2);

  RxRichEdit1 = new RxRichEdit;
  RxRichEdit1->document()->setDefaultFont(PaneFont());
  RxRichEdit1->setFont(PaneFont());
  RxRichEdit1->SetCaret(kInsertCaretWidth, kCaretHeight);

  Splitter1 = new QSplitter(Qt::Vertical);
  Splitter1->setObjectName("Splitter1");
  Splitter1->setHandleWidth(kSplitterWidth);
  Splitter1->setChildrenCollapsible(false);
  Splitter1->addWidget(PanelTop);
  Splitter1->addWidget(RxRichEdit1);
  Splitter1->setStretchFactor(0, 1);
  Splitter1->setStretchFactor(1, 0);

  StatusBar1 = new QStatusBar;
  StatusBar1->setObjectName("StatusBar1");
  StatusBar1->setSizeGripEnabled(false);
  StatusBar1->setFixedHeight(20);
  for (int i = 0; i < 5; ++i) {
    Panels[i] = new QLabel;
    Panels[i]->setObjectName(QString("Panel%1").arg(i));
    if (i < 4) {
      Panels[i]->setFixedWidth(kPanelWidths[i]);
      StatusBar1->addWidget(Panels[i]);
    } else {
      StatusBar1->addWidget(Panels[i], 1);
    }
  }

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(Splitter1, 1);
  layout->addWidget(StatusBar1);

  // FormCreate: the text pane's height from the settings.
  QSettings settings;
  const QVariant stored = settings.value(kSplitterKey);
  if (stored.isValid()) textPaneHeight_ = std::max(1, stored.toInt());
  Splitter1->setSizes({400, textPaneHeight_});
  Splitter2->setSizes({kThumbnailWidth, 400});
  InsertMode = true;

  Image1->Mouse.Down = [this](Qt::MouseButton b, int x, int y) { Image1MouseDown(b, x, y); };
  Image1->Mouse.Move = [this](Qt::MouseButtons, int x, int y) { Image1MouseMove(x, y); };
  Image1->Mouse.Up = [this](Qt::MouseButton b, int x, int y) { Image1MouseUp(b, x, y); };
  Image2->Mouse.Down = [this](Qt::MouseButton b, int x, int y) { Image2MouseDown(b, x, y); };
  Image2->Mouse.Move = [this](Qt::MouseButtons, int x, int y) { Image2MouseMove(x, y); };
  Image2->Mouse.Up = [this](Qt::MouseButton b, int x, int y) { Image2MouseUp(b, x, y); };
  connect(Splitter1, &QSplitter::splitterMoved, this, [this] { Splitter1Moved(); });

  RxRichEdit1->OnKeyDown = [this](QKeyEvent* e) { RxRichedit1KeyDown(e); };
  RxRichEdit1->OnKeyUp = [this](QKeyEvent* e) { RxRichedit1KeyUp(e); };
  RxRichEdit1->OnMouseDown = [this](Qt::MouseButton b) { RxRichedit1MouseDown(b); };
  RxRichEdit1->OnMouseUp = [this](Qt::MouseButton b) { RxRichedit1MouseUp(b); };
  RxRichEdit1->OnEnter = [this] { RxRichedit1Enter(); };
  RxRichEdit1->OnUndo = [this] { Undo(); };
  RxRichEdit1->OnRedo = [this] { Redo(); };
  ResetUndoHistory();
  AttachChange(true);
}

TFormMDIChild::~TFormMDIChild() {
  AttachChange(false);
}

void TFormMDIChild::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (firstShow_) {
    firstShow_ = false;
    const int total = Splitter1->height() - Splitter1->handleWidth();
    if (total > textPaneHeight_) Splitter1->setSizes({total - textPaneHeight_, textPaneHeight_});
  }
}

// ---------------------------------------------------------------- page view, thumbnail, selection

bool TFormMDIChild::DoLoad(bool fromFile) {
  setWindowTitle(FileName);
  bool loaded = true;
  if (fromFile) {
    input::LoadDetails details;
    loaded = input::LoadImageFile(viewBitmap_, FileName.toStdString(), &details);
    if (loaded) filePages_ = details.PageCount;
  }
  DoLoad_UpdateInfo();
  return loaded;
}

void TFormMDIChild::DoLoad_UpdateInfo() {
  PageBitmap = viewBitmap_;
  SetInkValueFrom(PageBitmap);
  Panels[0]->setText(QString("宽高:%1 %2").arg(PageBitmap.Width()).arg(PageBitmap.Height()));
  Panels[2]->setText("比例:100.0%");
  Panels[1]->setText(ColourDepthText(PageBitmap.BitCount()));
  InitDrawRect();
  pageImage_ = imaging_ui::BitmapToImage(PageBitmap);
  Image1->SetPicture(pageImage_);
  DoLoad_DrawPreview();
  rememberedPaneSize_ = ScrollBoxLeft->viewport()->size();
}

void TFormMDIChild::DoLoad_DrawPreview() {
  if (!ThumbnailVisible() || PageBitmap.Empty() || Image1->width() <= 0) return;
  const int width = std::max(1, ScrollBoxLeft->viewport()->width());
  ThumbScale = static_cast<float>(width) / static_cast<float>(Image1->width());
  const int height =
      std::max(1, static_cast<int>(std::lround(Image1->height() * static_cast<double>(ThumbScale))));
  QImage thumbnail = pageImage_.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                         .convertToFormat(QImage::Format_RGB32);
  Image2->SetPicture(std::move(thumbnail));
  if (SelectionBox.IsSet()) {
    DrawRect(SelectionBox.Left, SelectionBox.Top, SelectionBox.Right, SelectionBox.Bottom, kSelectionPen,
             true);
  }
  if (CurrentBox.IsSet())
    DrawRect(CurrentBox.Left, CurrentBox.Top, CurrentBox.Right, CurrentBox.Bottom, kBoxPen, true);
}

void TFormMDIChild::DrawRect(int32_t left, int32_t top, int32_t right, int32_t bottom, int penWidth,
                             bool thumbnailOnly) {
  if (!thumbnailOnly) {
    const QRect touched = NotXorOutline(Image1->Picture, left, top, right, bottom, penWidth);
    Image1->update(touched);
  }
  if (ThumbnailVisible() && !Image2->Picture.isNull()) {
    auto scaled = [this](int32_t v) {
      return static_cast<int>(std::lround(v * static_cast<double>(ThumbScale)));
    };
    const QRect touched = NotXorOutline(Image2->Picture, scaled(left), scaled(top), scaled(right),
                                        scaled(bottom), (penWidth + 1) / 2);
    Image2->update(touched);
  }
}

void TFormMDIChild::InitDrawRect() {
  CurrentBox = PageRect{};
  SelectionBox = PageRect{};
}

void TFormMDIChild::Image1MouseDown(Qt::MouseButton button, int x, int y) {
  if (button == Qt::LeftButton) {
    Dragging = true;
    DragStartX = x;
    DragStartY = y;
  }
  if ((button == Qt::LeftButton || button == Qt::RightButton) && SelectionBox.IsSet()) {
    DrawRect(SelectionBox.Left, SelectionBox.Top, SelectionBox.Right, SelectionBox.Bottom, kSelectionPen,
             false);
    SelectionBox = PageRect{};
  }
}

void TFormMDIChild::Image1MouseMove(int x, int y) {
  Panels[3]->setText(QString("X:%1 Y:%2").arg(x).arg(y));
  if (!Dragging || Painting) return;
  if (std::abs(x - DragStartX) < kDragThreshold && std::abs(y - DragStartY) < kDragThreshold) return;
  Painting = true;
  // Scroll when the pointer reaches an edge of the visible part.
  QScrollBar* vertical = ScrollBox1->verticalScrollBar();
  QScrollBar* horizontal = ScrollBox1->horizontalScrollBar();
  const QSize visible = ScrollBox1->viewport()->size();
  if (y >= vertical->value() + visible.height())
    vertical->setValue(vertical->value() + vertical->singleStep());
  if (x >= horizontal->value() + visible.width())
    horizontal->setValue(horizontal->value() + horizontal->singleStep());
  if (y <= vertical->value()) vertical->setValue(vertical->value() - vertical->singleStep());
  if (x <= horizontal->value()) horizontal->setValue(horizontal->value() - horizontal->singleStep());
  const PageRect next{std::min(DragStartX, x), std::min(DragStartY, y), std::max(DragStartX, x),
                      std::max(DragStartY, y)};
  if (SelectionBox.IsSet()) {
    DrawRect(SelectionBox.Left, SelectionBox.Top, SelectionBox.Right, SelectionBox.Bottom, kSelectionPen,
             false);
  }
  SelectionBox = next;
  DrawRect(SelectionBox.Left, SelectionBox.Top, SelectionBox.Right, SelectionBox.Bottom, kSelectionPen,
           false);
  Painting = false;
}

void TFormMDIChild::Image1MouseUp(Qt::MouseButton button, int, int) {
  if (button == Qt::LeftButton) Dragging = false;
}

void TFormMDIChild::Image2MouseDown(Qt::MouseButton button, int x, int y) {
  if (Image2->width() <= 0 || Image2->height() <= 0 || ThumbScale <= 0) return;
  if (button == Qt::LeftButton) {
    ScrollBox1->horizontalScrollBar()->setValue(
        static_cast<int>(static_cast<double>(x) / Image2->width() * Image1->width()) -
        ScrollBox1->width() / 2);
    ScrollBox1->verticalScrollBar()->setValue(
        static_cast<int>(static_cast<double>(y) / Image2->height() * Image1->height()) -
        ScrollBox1->height() / 2);
  }
  Image1MouseDown(button, static_cast<int>(std::lround(x / ThumbScale)),
                  static_cast<int>(std::lround(y / ThumbScale)));
}

void TFormMDIChild::Image2MouseMove(int x, int y) {
  if (Image2->width() <= 0 || Image2->height() <= 0 || ThumbScale <= 0) return;
  if (Dragging) {
    ScrollBox1->horizontalScrollBar()->setValue(
        static_cast<int>(static_cast<double>(x) / Image2->width() * Image1->width()) -
        ScrollBox1->width() / 2);
    ScrollBox1->verticalScrollBar()->setValue(
        static_cast<int>(static_cast<double>(y) / Image2->height() * Image1->height()) -
        ScrollBox1->height() / 2);
  }
  Image1MouseMove(static_cast<int>(std::lround(x / ThumbScale)),
                  static_cast<int>(std::lround(y / ThumbScale)));
}

void TFormMDIChild::Image2MouseUp(Qt::MouseButton button, int x, int y) {
  Image1MouseUp(button, x, y);
}

void TFormMDIChild::ScrollBoxLeftResize() {
  if (!resizeAttached_) return;
  const QSize client = ScrollBoxLeft->viewport()->size();
  if (client == rememberedPaneSize_) return;
  resizeAttached_ = false;
  DoLoad_DrawPreview();
  rememberedPaneSize_ = client;
  resizeAttached_ = true;
}

bool TFormMDIChild::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ScrollBoxLeft && event->type() == QEvent::Resize) {
    // The viewport follows its scroll box after this event.
    QTimer::singleShot(0, this, [this] { ScrollBoxLeftResize(); });
  }
  return QWidget::eventFilter(watched, event);
}

void TFormMDIChild::Splitter1Moved() {
  QSettings settings;
  settings.setValue(kSplitterKey, RxRichEdit1->height());
}

void TFormMDIChild::SetThumbnailVisible(bool visible) {
  ScrollBoxLeft->setVisible(visible);
  // The splitter handle beside the pane goes with it.
  if (Splitter2->handle(1) != nullptr) Splitter2->handle(1)->setVisible(visible);
}

bool TFormMDIChild::ThumbnailVisible() const {
  return !ScrollBoxLeft->isHidden();
}

int TFormMDIChild::ThumbnailPaneWidth() const {
  return ScrollBoxLeft->width();
}

void TFormMDIChild::SetThumbnailPaneWidth(int width) {
  const QList<int> sizes = Splitter2->sizes();
  const int total = sizes.size() == 2 ? sizes[0] + sizes[1] : width + 400;
  Splitter2->setSizes({width, std::max(1, total - width)});
  ScrollBoxLeft->resize(width, ScrollBoxLeft->height());
}

QImage TFormMDIChild::CleanViewImage() const {
  return imaging_ui::BitmapToImage(viewBitmap_);
}

void TFormMDIChild::ViewBitmapChanged() {
  Image1->SetPicture(imaging_ui::BitmapToImage(viewBitmap_));
}

void TFormMDIChild::ShowPreview(const QImage& image, QPoint at) {
  Image1->SetPreview(image, at);
}

void TFormMDIChild::HidePreview() {
  Image1->ClearPreview();
}

void TFormMDIChild::closeEvent(QCloseEvent* event) {
  // FormCloseQuery.
  if (running_) {
    // This window's own run holds its page and text: stop it, close after.
    StopRequested() = true;
    closeAfterRun_ = true;
    event->ignore();
    return;
  }
  if (Modified) {
    const platform::Answer answer =
        platform::AskQuestion(kCloseQuestion, platform::MessageButtons::YesNoCancel);
    if (answer == platform::Answer::Cancel || answer == platform::Answer::None) {
      event->ignore();
      return;
    }
    if (answer == platform::Answer::Yes) {
      if (host_ != nullptr) host_->SavePageCommand(*this);
      if (Modified) {
        event->ignore();
        return;
      }
    }
  }
  // FormClose: no more handlers.
  AttachChange(false);
  resizeAttached_ = false;
  event->accept();
}

// ---------------------------------------------------------------- recognition

bool TFormMDIChild::FenXi() {
  if (host_ != nullptr) host_->ForgetOtherResults(*this);
  if (CurrentBox.IsSet()) {
    DrawRect(CurrentBox.Left, CurrentBox.Top, CurrentBox.Right, CurrentBox.Bottom, kBoxPen, false);
    CurrentBox = PageRect{};
  }
  QtResultPane pane(*RxRichEdit1);
  ScrollHook scroll(*ScrollBox1, *RxRichEdit1);
  engine::RecognitionDocument document;
  document.PageBitmap = &PageBitmap;
  if (SelectionBox.IsSet()) {
    document.SelectionBox =
        core::Box{SelectionBox.Left, SelectionBox.Right, SelectionBox.Top, SelectionBox.Bottom};
  }
  document.CharMap = &CharMap;
  document.Pane = &pane;
  document.FileName = FileName.toStdString();
  document.ScrollBox = &scroll;
  document.ShowTips = host_ != nullptr && host_->ShowTipsSetting();

  AttachChange(false);
  undoMaps_.clear();
  // The text is the run's until it ends, also when the run fails.
  QTextDocument* text = RxRichEdit1->document();
  struct RunScope {
    TFormMDIChild& window;
    QTextDocument& text;
    RunScope(TFormMDIChild& w, QTextDocument& t) : window(w), text(t) {
      window.RxRichEdit1->setReadOnly(true);
      text.setUndoRedoEnabled(false);
      window.running_ = true;
    }
    ~RunScope() {
      window.running_ = false;
      text.setUndoRedoEnabled(true);
      window.RxRichEdit1->setReadOnly(false);
      window.ResetUndoHistory();
      window.AttachChange(true);
    }
  };
  engine::RunOutcome outcome;
  {
    RunScope scope(*this, *text);
    outcome = Recognise(document);
    // One entry more, for the end of the text after the last line break, so
    // that every caret position has an entry and the two that DeleteRect
    // never removes are the final line break and that end.
    if (static_cast<int>(CharMap.size()) == text->characterCount() - 1) CharMap.push_back(nullptr);
  }
  // A refused page keeps its text and status; every run shows its time.
  const bool ran = outcome != engine::RunOutcome::NotMonochrome && outcome != engine::RunOutcome::NoPageBits;
  if (ran && !document.StatusText.empty()) Panels[4]->setText(QString::fromStdString(document.StatusText));
  if (ran && document.TipsWanted && host_ != nullptr) host_->ShowTipsWindow();
  if (closeAfterRun_) {
    closeAfterRun_ = false;
    QTimer::singleShot(0, this, [this] {
      if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        frame->close();
      } else {
        close();
      }
    });
  }
  return ran;
}

// ---------------------------------------------------------------- text editing and the character map

void TFormMDIChild::AttachChange(bool attach) {
  if (attach == changeAttached_) return;
  QTextDocument* text = RxRichEdit1->document();
  if (attach) {
    connect(text, &QTextDocument::contentsChange, this, &TFormMDIChild::RxRichedit1Change);
    prevText_ = text->toPlainText();
  } else {
    disconnect(text, &QTextDocument::contentsChange, this, &TFormMDIChild::RxRichedit1Change);
  }
  changeAttached_ = attach;
}

void TFormMDIChild::ResetUndoHistory() {
  QTextDocument* text = RxRichEdit1->document();
  text->clearUndoRedoStacks();
  undoMaps_.clear();
  undoMaps_[text->availableUndoSteps()] = CharMap;
  prevText_ = text->toPlainText();
}

void TFormMDIChild::ForgetResults() {
  if (CurrentBox.IsSet()) {
    DrawRect(CurrentBox.Left, CurrentBox.Top, CurrentBox.Right, CurrentBox.Bottom, kBoxPen, false);
    CurrentBox = PageRect{};
  }
  CharMap.clear();
  undoMaps_.clear();
  undoMaps_[RxRichEdit1->document()->availableUndoSteps()] = CharMap;
}

void TFormMDIChild::PostCaretMessage() {
  QCoreApplication::postEvent(this, new QEvent(kCaretMessage));
}

bool TFormMDIChild::event(QEvent* event) {
  if (event->type() == kCaretMessage) {
    UpdateCaret();
    return true;
  }
  return QWidget::event(event);
}

void TFormMDIChild::UpdateCaret() {
  RxRichEdit1->setOverwriteMode(!InsertMode);
  RxRichEdit1->SetCaret(InsertMode ? kInsertCaretWidth : kOverwriteCaretWidth, kCaretHeight);
}

void TFormMDIChild::RxRichedit1KeyDown(QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  if (modifiers == Qt::NoModifier && event->key() == Qt::Key_Insert) InsertMode = !InsertMode;
  // Typing over the text keeps the replaced characters' boxes.
  overwriteTyping_ = !InsertMode && !event->text().isEmpty() && !RxRichEdit1->textCursor().hasSelection();
  PostCaretMessage();
}

void TFormMDIChild::RxRichedit1KeyUp(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
      RefreshDisplay();
      break;
    default:
      break;
  }
  PostCaretMessage();
}

void TFormMDIChild::RxRichedit1MouseDown(Qt::MouseButton button) {
  if (button == Qt::LeftButton) PostCaretMessage();
}

void TFormMDIChild::RxRichedit1MouseUp(Qt::MouseButton button) {
  if (button == Qt::LeftButton) RefreshDisplay();
}

void TFormMDIChild::RxRichedit1Enter() {
  PostCaretMessage();
}

void TFormMDIChild::RxRichedit1Change(int position, int removed, int added) {
  QTextDocument* text = RxRichEdit1->document();
  const QString now = text->toPlainText();
  if (UndoPressed) {
    // Undo and redo restore the whole map afterwards (Undo, Redo).
    prevText_ = now;
    return;
  }
  // What really changed inside the reported range: Qt reports format changes
  // and merged edits as a replacement of everything they touched.
  const int oldSize = static_cast<int>(prevText_.size());
  const int newSize = static_cast<int>(now.size());
  int p = std::clamp(position, 0, std::min(oldSize, newSize));
  int r = std::clamp(removed, 0, oldSize - p);
  // Qt's own count when it adds up, else what the lengths say.
  int a = (oldSize - r + added == newSize) ? added : newSize - (oldSize - r);
  if (a < 0) {
    r -= a;
    a = 0;
  }
  r = std::min(r, oldSize - p);
  a = std::clamp(a, 0, newSize - p);
  while (r > 0 && a > 0 && prevText_[p] == now[p]) {
    ++p;
    --r;
    --a;
  }
  while (r > 0 && a > 0 && prevText_[p + r - 1] == now[p + a - 1]) {
    --r;
    --a;
  }
  int kept = 0;
  if (overwriteTyping_) kept = std::min(r, a);  // overwritten characters keep their boxes
  if (r - kept > 0) DeleteRect(p + kept, r - kept);
  if (a - kept > 0) InsertEmpty(p + kept, a - kept);
  prevText_ = now;
  // The map of this step of the text's undo history.
  const int depth = text->availableUndoSteps();
  undoMaps_.erase(undoMaps_.upper_bound(depth), undoMaps_.end());
  undoMaps_[depth] = CharMap;
  overwriteTyping_ = false;
  RefreshDisplay();
}

void TFormMDIChild::Undo() {
  QTextDocument* text = RxRichEdit1->document();
  if (!text->isUndoAvailable() || RxRichEdit1->isReadOnly()) return;
  UndoPressed = true;
  RxRichEdit1->undo();
  UndoPressed = false;
  TakeMapOfUndoStep();
}

void TFormMDIChild::Redo() {
  QTextDocument* text = RxRichEdit1->document();
  if (!text->isRedoAvailable() || RxRichEdit1->isReadOnly()) return;
  UndoPressed = true;
  RxRichEdit1->redo();
  UndoPressed = false;
  TakeMapOfUndoStep();
}

void TFormMDIChild::TakeMapOfUndoStep() {
  const QTextDocument* text = RxRichEdit1->document();
  const auto found = undoMaps_.find(text->availableUndoSteps());
  if (found != undoMaps_.end()) CharMap = found->second;
  prevText_ = text->toPlainText();
  RefreshDisplay();
}

void TFormMDIChild::DeleteRect(int32_t position, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    // The last two entries stay.
    if (position < static_cast<int32_t>(CharMap.size()) - 2) CharMap.erase(CharMap.begin() + position);
  }
}

void TFormMDIChild::InsertEmpty(int32_t position, int32_t count) {
  if (position < 0 || count <= 0) return;
  if (position > static_cast<int32_t>(CharMap.size())) CharMap.resize(static_cast<size_t>(position), nullptr);
  CharMap.insert(CharMap.begin() + position, static_cast<size_t>(count), nullptr);
}

void TFormMDIChild::RefreshDisplay() {
  if (CurrentBox.IsSet())
    DrawRect(CurrentBox.Left, CurrentBox.Top, CurrentBox.Right, CurrentBox.Bottom, kBoxPen, false);
  const int32_t p = RxRichEdit1->textCursor().selectionStart();
  if (p < 0 || p >= static_cast<int32_t>(CharMap.size()) || CharMap[p] == nullptr) {
    CurrentBox = PageRect{};
    return;
  }
  const core::CharBlock& block = *CharMap[p];
  CurrentBox = PageRect{std::max(0, block.Left - 1), std::max(0, block.Top - 1),
                        std::min(Image1->width() - 1, block.Right + 1),
                        std::min(Image1->height() - 1, block.Bottom + 1)};
  DrawRect(CurrentBox.Left, CurrentBox.Top, CurrentBox.Right, CurrentBox.Bottom, kBoxPen, false);
  Panels[3]->setText(
      QString("坐标:%1 %2 %3 %4").arg(block.Left).arg(block.Right).arg(block.Top).arg(block.Bottom));
  if (SupervisorMode()) {
    Panels[4]->setText(
        QString("准确度:%1 去边:%2 No.%3").arg(block.Scores[0]).arg(static_cast<int>(block.CutSides)).arg(p));
  }
  // The candidates from the second on, read as a NUL-terminated byte string.
  std::string candidates;
  for (int i = 1; i < core::kMaxCandidates + 1 && i < 16; ++i) {
    const core::CharCode code = block.Codes[i];
    const auto lead = static_cast<char>(core::LeadByte(code));
    const auto trail = static_cast<char>(core::TrailByte(code));
    if (lead == 0) break;
    candidates += lead;
    if (trail == 0) break;
    candidates += trail;
  }
  if (host_ != nullptr)
    host_->SetMainStatus("候选字:" + QString::fromStdString(platform::GbkToUtf8(candidates)));
  ScrollPageTo((CurrentBox.Left + CurrentBox.Right) / 2 - ScrollBox1->viewport()->width() / 2,
               (CurrentBox.Top + CurrentBox.Bottom) / 2 - ScrollBox1->viewport()->height() / 2);
}

void TFormMDIChild::ScrollPageTo(int x, int y) {
  ScrollBox1->horizontalScrollBar()->setValue(x);
  ScrollBox1->verticalScrollBar()->setValue(y);
}

TextLines TFormMDIChild::TextRuns() const {
  TextLines paragraphs;
  const QTextDocument* text = RxRichEdit1->document();
  for (QTextBlock block = text->begin(); block.isValid(); block = block.next()) {
    QList<TextRun> runs;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.isValid()) continue;
      const QColor colour = fragment.charFormat().foreground().color();
      const bool red = fragment.charFormat().hasProperty(QTextFormat::ForegroundBrush) &&
                       colour.red() > 127 && colour.green() < 128 && colour.blue() < 128;
      if (!runs.isEmpty() && runs.back().Red == red) {
        runs.back().Text += fragment.text();
      } else {
        runs.push_back(TextRun{fragment.text(), red});
      }
    }
    paragraphs.push_back(runs);
  }
  // The empty paragraph after the last line break is no line.
  if (!paragraphs.isEmpty() && paragraphs.back().isEmpty()) paragraphs.pop_back();
  return paragraphs;
}

}  // namespace desktop
