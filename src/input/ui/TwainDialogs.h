// The source manager's dialogs as the desktop program shows them: the list
// of scanners to choose from (the default one marked), and the settings a
// scanner offers before it scans (resolution, mode, paper source).
#pragma once

#include <QDialog>
#include <vector>

#include "input/twaindsm/DsmHost.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace input_ui {

class SourceDialog : public QDialog {
  Q_OBJECT
 public:
  SourceDialog(const std::vector<input::TW_IDENTITY>& sources, int32_t current, QWidget* parent = nullptr);
  // The chosen row, or −1.
  int32_t Chosen() const;

  QListWidget* List;
  QLabel* Note;  // says when there is no scanner
  QPushButton* ChooseButton;
  QPushButton* CancelButton;
};

class ScanSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  ScanSettingsDialog(const input::TW_IDENTITY& source, const input::ScanChoices& choices,
                     QWidget* parent = nullptr);
  // Writes the chosen entries into `choices`.
  void TakeChoices(input::ScanChoices& choices) const;

  QComboBox* Resolution;
  QComboBox* Mode;
  QComboBox* PaperSource;
  QPushButton* ScanButton;
  QPushButton* CancelButton;
};

// Shows the dialogs modally over the active window; the answers the source
// manager expects (the chosen index or −1; false when cancelled).
int32_t ChooseSource(const std::vector<input::TW_IDENTITY>& sources, int32_t current);
bool SetUpScan(const input::TW_IDENTITY& source, input::ScanChoices& choices);

}  // namespace input_ui
