#pragma once
// The mounted volumes shown in the volume view.

#include <QString>
#include <QStringList>
#include <QVector>

struct LocalVolume {
  QString rootPath;     // "/" or a mount point without a trailing "/"
  QString displayName;  // what the row shows
};

// Ready volumes that IsListedVolume accepts, "/" first, then by mount point.
[[nodiscard]] QVector<LocalVolume> ListLocalVolumes();

[[nodiscard]] QStringList VolumeRoots(const QVector<LocalVolume>& volumes);
