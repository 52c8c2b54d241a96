// The source manager's dialogs (see TwainDialogs.h).
#include "input/ui/TwainDialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstring>

namespace input_ui {

namespace {

const char* const kNoScanner = "没有找到扫描设备";

QString Text(const input::TW_STR32& text) {
  return QString::fromUtf8(text, static_cast<qsizetype>(strnlen(text, input::kTwStr32)));
}

// The usual names of the devices' modes and paper sources in the program's
// language; others are shown as the device names them.
QString Shown(const QString& name) {
  const QString lower = name.toLower();
  if (lower == "lineart") return "黑白";
  if (lower == "halftone") return "半色调";
  if (lower == "gray" || lower == "grey") return "灰度";
  if (lower == "color" || lower == "colour") return "彩色";
  if (lower == "flatbed") return "平板";
  if (lower.contains("feeder") || lower.contains("adf")) return "自动进纸器";
  return name;
}

QComboBox* ChoiceBox(const QStringList& entries, int32_t current) {
  auto* box = new QComboBox;
  box->addItems(entries);
  box->setCurrentIndex(current >= 0 && current < entries.size() ? current : 0);
  return box;
}

}  // namespace

SourceDialog::SourceDialog(const std::vector<input::TW_IDENTITY>& sources, int32_t current, QWidget* parent)
    : QDialog(parent) {
  setObjectName("SourceDialog");
  setWindowTitle("选择扫描设备");
  List = new QListWidget;
  List->setObjectName("List");
  for (const input::TW_IDENTITY& source : sources) {
    List->addItem(QString("%1  (%2 %3)").arg(Text(source.ProductName), Text(source.Manufacturer),
                                            Text(source.ProductFamily)));
  }
  if (current >= 0 && current < List->count()) List->setCurrentRow(current);
  Note = new QLabel(kNoScanner);
  Note->setVisible(sources.empty());
  ChooseButton = new QPushButton("选择");
  ChooseButton->setObjectName("ChooseButton");
  ChooseButton->setDefault(true);
  ChooseButton->setEnabled(List->currentRow() >= 0);
  CancelButton = new QPushButton("取消");
  CancelButton->setObjectName("CancelButton");
  auto* buttons = new QDialogButtonBox;
  buttons->addButton(ChooseButton, QDialogButtonBox::AcceptRole);
  buttons->addButton(CancelButton, QDialogButtonBox::RejectRole);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("扫描设备:"));
  layout->addWidget(List);
  layout->addWidget(Note);
  layout->addWidget(buttons);
  resize(380, 260);
  connect(List, &QListWidget::currentRowChanged, this, [this](int row) { ChooseButton->setEnabled(row >= 0); });
  connect(List, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

int32_t SourceDialog::Chosen() const {
  return List->currentRow();
}

ScanSettingsDialog::ScanSettingsDialog(const input::TW_IDENTITY& source, const input::ScanChoices& choices,
                                       QWidget* parent)
    : QDialog(parent) {
  setObjectName("ScanSettingsDialog");
  setWindowTitle("扫描 - " + Text(source.ProductName));
  QStringList resolutions, modes, sources;
  for (int32_t i = 0; i < choices.ResolutionCount; ++i) resolutions << QString("%1 dpi").arg(choices.Resolutions[i]);
  for (int32_t i = 0; i < choices.ModeCount; ++i) modes << Shown(Text(choices.Modes[i]));
  for (int32_t i = 0; i < choices.SourceCount; ++i) sources << Shown(Text(choices.Sources[i]));
  Resolution = ChoiceBox(resolutions, choices.Resolution);
  Resolution->setObjectName("Resolution");
  Mode = ChoiceBox(modes, choices.Mode);
  Mode->setObjectName("Mode");
  PaperSource = ChoiceBox(sources, choices.Source);
  PaperSource->setObjectName("PaperSource");
  auto* form = new QFormLayout;
  if (!resolutions.isEmpty()) form->addRow("分辨率:", Resolution);
  if (!modes.isEmpty()) form->addRow("模式:", Mode);
  if (!sources.isEmpty()) form->addRow("来源:", PaperSource);
  ScanButton = new QPushButton("扫描");
  ScanButton->setObjectName("ScanButton");
  ScanButton->setDefault(true);
  CancelButton = new QPushButton("取消");
  CancelButton->setObjectName("CancelButton");
  auto* buttons = new QDialogButtonBox;
  buttons->addButton(ScanButton, QDialogButtonBox::AcceptRole);
  buttons->addButton(CancelButton, QDialogButtonBox::RejectRole);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void ScanSettingsDialog::TakeChoices(input::ScanChoices& choices) const {
  if (choices.ResolutionCount > 0) choices.Resolution = Resolution->currentIndex();
  if (choices.ModeCount > 0) choices.Mode = Mode->currentIndex();
  if (choices.SourceCount > 0) choices.Source = PaperSource->currentIndex();
}

int32_t ChooseSource(const std::vector<input::TW_IDENTITY>& sources, int32_t current) {
  SourceDialog dialog(sources, current, QApplication::activeWindow());
  return dialog.exec() == QDialog::Accepted ? dialog.Chosen() : -1;
}

bool SetUpScan(const input::TW_IDENTITY& source, input::ScanChoices& choices) {
  ScanSettingsDialog dialog(source, choices, QApplication::activeWindow());
  if (dialog.exec() != QDialog::Accepted) return false;
  dialog.TakeChoices(choices);
  return true;
}

}  // namespace input_ui
