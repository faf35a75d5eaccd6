#include "local/OpenWithProgram.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

void OpenWithProgram(const QString& path, QObject* context, std::function<void()> refused) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
  // The desktop's opener itself rather than QDesktopServices, which reports
  // only that the opener started: its exit status says whether a program took
  // the file. It may run as long as that program does, so nothing waits for it.
  auto* opener = new QProcess(context);
  opener->setProgram(QStringLiteral("xdg-open"));
  opener->setArguments({path});
  opener->setWorkingDirectory(QFileInfo(path).absolutePath());
  opener->setStandardOutputFile(QProcess::nullDevice());
  opener->setStandardErrorFile(QProcess::nullDevice());
  QObject::connect(opener, &QProcess::errorOccurred, opener, [opener, refused](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    refused();
    opener->deleteLater();
  });
  QObject::connect(opener, &QProcess::finished, opener,
                   [opener, refused](int exitCode, QProcess::ExitStatus status) {
                     if (status != QProcess::NormalExit || exitCode != 0) refused();
                     opener->deleteLater();
                   });
  opener->start();
#else
  (void)context;
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) refused();
#endif
}
