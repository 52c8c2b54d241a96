// The document window `TFormMDIChild`: one page in the
// main window's multiple-document area.
//
// It shows the page at 100 % in a scroll box (`Image1`), a thumbnail in a pane
// on the left (`Image2`), the recognised text under the image
// (`RxRichEdit1`) and five status panels. It owns `PageBitmap` (the page in
// its own format, without overlays) and the bitmap of the page view, which
// conversions write into before the page refresh copies it back; the box of
// the current character and the user's selection are drawn over the view in
// not-xor mode, so drawing a rectangle a second time removes it.
//
// `CharMap` holds, for every position of the text, the block that produced
// the character there (or nothing). The text pane reports every edit's
// position and size (QTextDocument::contentsChange); `RxRichedit1Change`
// removes the entries of the characters that went and inserts empty entries
// for those that came, so the map follows typing, Delete, Backspace, Return,
// selection replacement, cut and paste by construction. Overwrite typing
// keeps the replaced characters' entries (the box still shows where that
// character stands on the page). Undo and redo restore the map as it was at
// that step of the text's undo history, as a whole.
#pragma once

#include <QEvent>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <map>

#include "core/EngineRecords.h"
#include "document/PageCanvas.h"
#include "document/ResultEdit.h"
#include "imaging/ui/PreviewTarget.h"
#include "platform/Bitmap.h"

class QLabel;
class QScrollArea;
class QSplitter;
class QStatusBar;

namespace desktop {

class TFormMDIChild;

// What a document window asks of the main window.
class DocumentHost {
 public:
  virtual ~DocumentHost() = default;
  virtual bool ShowTipsSetting() const = 0;  // "DisplayWaring"
  virtual void ShowTipsWindow() = 0;         // after a poor recognition
  virtual void SetMainStatus(const QString& text) = 0;
  virtual void SavePageCommand(TFormMDIChild& document) = 0;  // the page save command
  // Called before a run: every other document drops its character map,
  // whose blocks the run is about to free.
  virtual void ForgetOtherResults(TFormMDIChild& running) = 0;
};

// A rectangle in page pixels: left, top, right, bottom; all zero is none.
struct PageRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool IsSet() const { return Left != 0 || Top != 0 || Right != 0 || Bottom != 0; }
};

class TFormMDIChild : public QWidget, public imaging_ui::PreviewTarget {
  Q_OBJECT
 public:
  explicit TFormMDIChild(DocumentHost* host, QWidget* parent = nullptr);
  ~TFormMDIChild() override;

  // Components.
  QWidget* PanelTop;
  QScrollArea* ScrollBoxLeft;
  PictureView* Image2;
  QSplitter* Splitter2;
  QScrollArea* ScrollBox1;
  PictureView* Image1;
  QSplitter* Splitter1;
  RxRichEdit* RxRichEdit1;
  QStatusBar* StatusBar1;
  QLabel* Panels[5];

  // Window state.
  bool Dragging = false;
  int32_t DragStartX = 0, DragStartY = 0;
  bool InsertMode = true;
  bool UndoPressed = false;  // an undo is restoring the text
  core::CharMapList CharMap;
  bool Painting = false;
  float ThumbScale = 0;
  PageRect CurrentBox;
  PageRect SelectionBox;
  platform::Bitmap PageBitmap;
  bool Modified = false;
  QString FileName;

  // Loading, page refresh, overlays, mouse, thumbnail.
  bool DoLoad(bool fromFile);
  // Pages in the file the page was loaded from (a TIFF or PDF may have
  // several; the window shows the first).
  int FilePages() const { return filePages_; }
  void DoLoad_UpdateInfo();
  void DoLoad_DrawPreview();
  void DrawRect(int32_t left, int32_t top, int32_t right, int32_t bottom, int penWidth, bool thumbnailOnly);
  void InitDrawRect();
  void Image1MouseDown(Qt::MouseButton button, int x, int y);
  void Image1MouseMove(int x, int y);
  void Image1MouseUp(Qt::MouseButton button, int x, int y);
  void Image2MouseDown(Qt::MouseButton button, int x, int y);
  void Image2MouseMove(int x, int y);
  void Image2MouseUp(Qt::MouseButton button, int x, int y);
  void ScrollBoxLeftResize();
  void Splitter1Moved();
  // Shows or hides the thumbnail pane and the splitter beside it.
  void SetThumbnailVisible(bool visible);
  bool ThumbnailVisible() const;
  // Width of the thumbnail pane (the zoom commands change it).
  int ThumbnailPaneWidth() const;
  void SetThumbnailPaneWidth(int width);

  // The recognition of this page (or of its selection).
  bool FenXi();
  // Text editing and the character map.
  void RxRichedit1KeyDown(QKeyEvent* event);
  void RxRichedit1KeyUp(QKeyEvent* event);
  void RxRichedit1MouseDown(Qt::MouseButton button);
  void RxRichedit1MouseUp(Qt::MouseButton button);
  void RxRichedit1Enter();
  void RxRichedit1Change(int position, int removed, int added);
  void RefreshDisplay();
  void DeleteRect(int32_t position, int32_t count);
  void InsertEmpty(int32_t position, int32_t count);
  void UpdateCaret();
  void Undo();
  void Redo();
  // After an undo or redo: the character map of the step the text is at now.
  void TakeMapOfUndoStep();
  // Drops the map of the last run (its blocks are about to be freed).
  void ForgetResults();

  // The page view's picture without overlays (for copying bitmaps).
  QImage CleanViewImage() const;
  // The text pane's lines as runs of red and other text, for saving.
  TextLines TextRuns() const;

  // PreviewTarget.
  const platform::Bitmap& PageBitmapOf() const override { return PageBitmap; }
  platform::Bitmap& ViewBitmap() override { return viewBitmap_; }
  void ViewBitmapChanged() override;
  void ShowPreview(const QImage& image, QPoint at) override;
  void HidePreview() override;
  QWidget* DialogParent() override { return this; }

  // Whether the change handler is attached (detached during a run).
  bool ChangeAttached() const { return changeAttached_; }
  // The caret message the window posts itself after key and mouse events.
  static constexpr QEvent::Type kCaretMessage = static_cast<QEvent::Type>(QEvent::User + 1);

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void PostCaretMessage();
  void AttachChange(bool attach);
  void ScrollPageTo(int x, int y);
  void ResetUndoHistory();

  DocumentHost* host_;
  platform::Bitmap viewBitmap_;
  QImage pageImage_;  // PageBitmap as a picture (the thumbnail's source)
  bool changeAttached_ = false;
  bool resizeAttached_ = true;
  bool overwriteTyping_ = false;
  bool running_ = false;  // this window's recognition is under way
  bool closeAfterRun_ = false;
  bool firstShow_ = true;
  int filePages_ = 1;
  int textPaneHeight_ = 100;
  QSize rememberedPaneSize_;
  QString prevText_;
  std::map<int, core::CharMapList> undoMaps_;  // by the text's undo depth
};

// The colour-depth text of the status bar.
QString ColourDepthText(int bitCount);

}  // namespace desktop
