#include "ui/Images.h"

const ProgramImages& LoadProgramImages() {
  static const ProgramImages images = [] {
    Q_INIT_RESOURCE(images);
    ProgramImages set;
    set.key = QPixmap(QStringLiteral(":/images/key.png"));
    set.downloadDisconnected = QPixmap(QStringLiteral(":/images/download-disconnected.png"));
    set.uploadDisconnected = QPixmap(QStringLiteral(":/images/upload-disconnected.png"));
    set.downloadConnected = QPixmap(QStringLiteral(":/images/download-connected.png"));
    set.uploadConnected = QPixmap(QStringLiteral(":/images/upload-connected.png"));
    set.folder = QIcon(QPixmap(QStringLiteral(":/images/folder.bmp")));
    set.file = QIcon(QPixmap(QStringLiteral(":/images/file.bmp")));
    set.encryptedFile = QIcon(QPixmap(QStringLiteral(":/images/encrypted-file.bmp")));
    return set;
  }();
  return images;
}

QIcon ProgramIcon() {
  static const QIcon icon = [] {
    Q_INIT_RESOURCE(images);
    QIcon sizes;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
      sizes.addFile(QStringLiteral(":/icons/tarnholm-%1.png").arg(size), QSize(size, size));
    }
    return sizes;
  }();
  return icon;
}
