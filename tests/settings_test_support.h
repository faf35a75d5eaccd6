#pragma once
// Helpers shared by the settings tests: fixture files, raw bytes, and making
// permission bits count even when the tests run as root.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <ostream>

// Readable failure output for text comparisons.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

inline QString SettingsFixture(const char* name) {
  const char* root = std::getenv("TARNHOLM_TEST_DATA");
  return QString::fromLocal8Bit(root ? root : "tests/data") + QStringLiteral("/settings/") +
         QString::fromUtf8(name);
}

// The whole file, or a null array when it cannot be read (so a missing file
// differs from an empty one).
inline QByteArray FileBytes(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  QByteArray bytes = f.readAll();
  if (bytes.isNull()) bytes = QByteArray("");
  return bytes;
}

[[nodiscard]] inline bool WriteFileBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Root ignores permission bits; for the lifetime of this guard the thread
// drops the capabilities that override them, so a read-only file or directory
// behaves as it would for the user.
class PermissionBitsApply {
 public:
  PermissionBitsApply() {
    if (geteuid() != 0) return;
    if (syscall(SYS_capget, &header_, saved_) != 0) return;
    __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
    const unsigned drop = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);
    reduced[0].effective &= ~drop;
    active_ = syscall(SYS_capset, &header_, reduced) == 0;
  }
  ~PermissionBitsApply() {
    if (active_) (void)syscall(SYS_capset, &header_, saved_);
  }
  PermissionBitsApply(const PermissionBitsApply&) = delete;
  PermissionBitsApply& operator=(const PermissionBitsApply&) = delete;

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2]{};
  bool active_ = false;
};
