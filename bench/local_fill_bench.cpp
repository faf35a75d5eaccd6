// Fills the local list with a directory of 10,000 files and compares the time
// with a plain listing of the same directory (names, sizes, dates) in this run.
// Prints the medians and their ratio, and what the poll for files changed in
// place costs: its longest look and the looks one pass over the folder takes.

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "state/AppState.h"
#include "local/LocalList.h"

namespace {

constexpr int kFiles = 10000;
constexpr int kRounds = 7;

double MedianMs(const std::function<void()>& work) {
  std::vector<double> times;
  for (int round = 0; round < kRounds; ++round) {
    QElapsedTimer timer;
    timer.start();
    work();
    times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);

  QTemporaryDir temp;
  if (!temp.isValid()) return 1;
  const QString dir = temp.path() + QLatin1Char('/');
  // A mix of extensions, as a download folder has.
  const char* extensions[] = {".txt", ".pdf", ".jpg", ".zip", ".tar.gz", "", ".docx", ".png"};
  for (int i = 0; i < kFiles; ++i) {
    QFile file(dir + QStringLiteral("file%1").arg(i, 5, 10, QLatin1Char('0')) +
               QString::fromLatin1(extensions[i % 8]));
    if (!file.open(QIODevice::WriteOnly) || file.write("x", 1) != 1) return 1;
  }

  QWidget window;
  AppState state;
  state.main.window = &window;
  state.main.localList = new QTreeWidget(&window);
  state.main.localPath = new QLineEdit(&window);
  SetupLocalList(state, [](EventType) {});

  qsizetype plainCount = 0;
  const double plain = MedianMs([&] {
    const QFileInfoList entries =
        QDir(dir).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    qint64 sum = 0;
    for (const QFileInfo& info : entries) sum += info.size() + info.lastModified().toSecsSinceEpoch() % 2;
    plainCount = entries.size() + (sum < 0 ? 1 : 0);
  });
  const double fill = MedianMs([&] { SetLocalDirectory(state, dir); });
  const double followAgain = MedianMs([&] { FollowLocalList(state); });

  // One whole pass of the poll, look by look, as its timer would run them.
  double passMs = 0;
  double longestLookMs = 0;
  int looks = 0;
  do {
    QElapsedTimer look;
    look.start();
    PollLocalFiles(state);
    const double ms = static_cast<double>(look.nsecsElapsed()) / 1e6;
    passMs += ms;
    longestLookMs = std::max(longestLookMs, ms);
    ++looks;
  } while (state.localListState->pollRow != 0 && looks < 10000);
  state.main.localList->selectAll();
  const double sortSelected = MedianMs([&] { SortLocalListByColumn(state, 0); });
  const int rows = LocalRowCount(state);
  DestroyLocalList(state);

  std::printf("entries: %lld listed, %d rows (with the parent entry)\n", static_cast<long long>(plainCount), rows);
  std::printf("plain QDir listing : %8.2f ms (median of %d)\n", plain, kRounds);
  std::printf("fill the local list: %8.2f ms (median of %d)\n", fill, kRounds);
  std::printf("ratio fill / plain : %8.2f\n", fill / plain);
  std::printf("sort by name, every row selected: %8.2f ms\n", sortSelected);
  std::printf("next event, sizes and dates looked at: %8.2f ms\n", followAgain);
  std::printf("poll: one pass %8.2f ms in %d looks (longest %.2f ms, slice %d ms); a pass every %d ms\n", passMs,
              looks, longestLookMs, kLocalPollSliceMs, looks * kLocalPollIntervalMs);
  return rows == kFiles + 1 ? 0 : 1;
}
