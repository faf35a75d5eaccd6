#include "ftp/ProgressText.h"

#include <QLocale>
#include <algorithm>
#include <QStringList>

namespace {

constexpr int64_t kSpeedAfterMs = 500;

int64_t Percent(int64_t done, int64_t total) { return total <= 0 ? 100 : done * 100 / total; }

QString Decimal(double value) {
  QString text = QString::number(value, 'f', 1);
  text.replace(QLatin1Char('.'), QLatin1Char(','));
  return text;
}

}  // namespace

QString ByteText(int64_t bytes) {
  static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB"};
  if (bytes < 1024) return QStringLiteral("%1 Byte").arg(bytes);
  double value = static_cast<double>(bytes) / 1024.0;
  int unit = 0;
  while (value >= 1024.0 && unit < 3) {
    value /= 1024.0;
    ++unit;
  }
  // Never "1024,0 KiB": what rounds up to the next unit shows in it.
  if (value >= 1023.95 && unit < 3) {
    value /= 1024.0;
    ++unit;
  }
  return Decimal(value) + QLatin1Char(' ') + QLatin1String(kUnits[unit]);
}

QString DurationText(int64_t seconds) {
  if (seconds < 60) return QStringLiteral("%1 s").arg(seconds);
  if (seconds < 3600) return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
  return QStringLiteral("%1 h %2 min").arg(seconds / 3600).arg(seconds % 3600 / 60);
}

QString ProgressText(const ProgressSnapshot& p) {
  QStringList parts;
  QString amount = ByteText(p.done);
  if (p.total >= 0) amount += QStringLiteral(" von %1 (%2 %)").arg(ByteText(p.total)).arg(Percent(p.done, p.total));
  parts << p.name + QStringLiteral(": ") + amount;
  const bool several = p.count > 1;
  if (several) {
    parts << QStringLiteral("Datei %1 von %2").arg(p.index + 1).arg(p.count);
    parts << QStringLiteral("gesamt %1 von %2 (%3 %)")
                 .arg(ByteText(p.runDone), ByteText(p.runTotal))
                 .arg(Percent(p.runDone, p.runTotal));
  }
  const int64_t done = several ? p.runDone : p.done;
  const int64_t total = several ? p.runTotal : p.total;
  if (p.elapsedMs >= kSpeedAfterMs && done > 0) {
    const double perSecond = static_cast<double>(done) * 1000.0 / static_cast<double>(p.elapsedMs);
    parts << ByteText(static_cast<int64_t>(perSecond)) + QStringLiteral("/s");
    if (total > done) {
      const auto left = static_cast<int64_t>(static_cast<double>(total - done) / perSecond + 0.5);
      parts << QStringLiteral("noch ") + DurationText(left);
    }
  }
  return parts.join(QStringLiteral(", "));
}

int ProgressBarValue(const ProgressSnapshot& p) {
  const int64_t done = p.count > 1 ? p.runDone : p.done;
  const int64_t total = p.count > 1 ? p.runTotal : p.total;
  if (total < 0) return -1;
  if (total == 0) return 1000;
  return static_cast<int>(std::clamp<int64_t>(done, 0, total) * 1000 / total);
}
