#pragma once
// The pictures the program carries, decoded once at start-up.

#include <QIcon>
#include <QPixmap>

struct ProgramImages {
  QPixmap key;
  QPixmap downloadDisconnected;
  QPixmap uploadDisconnected;
  QPixmap downloadConnected;
  QPixmap uploadConnected;
  QIcon folder;
  QIcon file;
  QIcon encryptedFile;
};

// Decodes the images; later calls return the same set.
const ProgramImages& LoadProgramImages();

// The program's icon in the sizes a window frame and a task bar ask for.
[[nodiscard]] QIcon ProgramIcon();
