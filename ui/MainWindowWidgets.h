#pragma once
// The widgets of the main window, in the order of their creation. The window
// owns them; this record only names them for the code that shows things.

class QWidget;
class QTreeWidget;
class QPushButton;
class QLineEdit;
class QLabel;
class QProgressBar;
class QPlainTextEdit;

struct MainWindowWidgets {
  QWidget* window = nullptr;
  QTreeWidget* localList = nullptr;
  QTreeWidget* serverList = nullptr;
  QPushButton* settingsButton = nullptr;
  QPushButton* exitButton = nullptr;
  QLineEdit* localPath = nullptr;
  QLineEdit* serverPath = nullptr;
  QLabel* localCaption = nullptr;
  QLabel* serverCaption = nullptr;
  QProgressBar* progressBar = nullptr;
  QPushButton* connectButton = nullptr;  // checkable: pressed means connected
  QLabel* keyIndicator = nullptr;
  QPushButton* uploadButton = nullptr;
  QPushButton* downloadButton = nullptr;
  QPlainTextEdit* messageArea = nullptr;
  QPushButton* overviewButton = nullptr;
  QLabel* progressText = nullptr;       // what the running job does and how far it is
  QPushButton* cancelButton = nullptr;  // shown while a job runs; Escape presses it
};
