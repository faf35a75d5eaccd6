#include "ftp/ProgressText.h"

#include <QLocale>
#include <QStringList>

namespace {

constexpr int64_t kSpeedAfterMs = 500;

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
  if (p.total >= 0) {
    const int64_t percent = p.total == 0 ? 100 : p.done * 100 / p.total;
    amount += QStringLiteral(" von %1 (%2 %)").arg(ByteText(p.total)).arg(percent);
  }
  parts << p.name + QStringLiteral(": ") + amount;
  if (p.elapsedMs >= kSpeedAfterMs && p.done > 0) {
    const double perSecond = static_cast<double>(p.done) * 1000.0 / static_cast<double>(p.elapsedMs);
    parts << ByteText(static_cast<int64_t>(perSecond)) + QStringLiteral("/s");
    if (p.total > p.done) {
      const auto left = static_cast<int64_t>(static_cast<double>(p.total - p.done) / perSecond + 0.5);
      parts << QStringLiteral("noch ") + DurationText(left);
    }
  }
  if (p.count > 1) parts << QStringLiteral("Datei %1 von %2").arg(p.index + 1).arg(p.count);
  return parts.join(QStringLiteral(", "));
}
