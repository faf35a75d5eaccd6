#include "crypto/KeyGenerator.h"

#include <openssl/crypto.h>

#include <QCursor>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <new>

#include "crypto/KeyText.h"
#include "crypto/RandomSource.h"
#include "ui/MessageBox.h"

namespace {

constexpr int kSampleIntervalMs = 20;

KeyGeneratorSources& InstalledSources() {
  static KeyGeneratorSources sources;
  return sources;
}

bool& RunningFlag() {
  static bool running = false;
  return running;
}

struct RunningScope {
  RunningScope() { RunningFlag() = true; }
  ~RunningScope() { RunningFlag() = false; }
  RunningScope(const RunningScope&) = delete;
  RunningScope& operator=(const RunningScope&) = delete;
};

QPoint PlatformCursorPosition(const QWidget* clientArea) { return clientArea->mapFromGlobal(QCursor::pos()); }

// Random bytes that were the raw stuff of a key must not linger in freed memory.
struct WipingDelete {
  void operator()(uint8_t* list) const {
    OPENSSL_cleanse(list, kRandomListSize);
    delete[] list;
  }
};
using RandomListBuffer = std::unique_ptr<uint8_t[], WipingDelete>;

void CentreOn(QWidget* window, const QWidget* owner) {
  if (owner == nullptr) return;
  const QRect area = owner->geometry();
  const QPoint clientTopLeft(area.x() + (area.width() - kPickAreaSide) / 2,
                             area.y() + (area.height() - kPickAreaSide) / 2);
  // move() places the frame, so its left and top edges are taken off.
  window->move(clientTopLeft - (window->geometry().topLeft() - window->pos()));
}

}  // namespace

bool PickAtPoint(KeyPicker& picker, RandomList randomList, QPoint point) {
  if (picker.picked >= static_cast<int>(picker.bytes.size())) return false;
  if (point.x() < 0 || point.x() >= kPickAreaSide || point.y() < 0 || point.y() >= kPickAreaSide) return false;
  const int position = point.x() + kPickAreaSide * point.y();
  if (position == picker.lastPosition) return false;
  picker.bytes[static_cast<size_t>(picker.picked)] = randomList[static_cast<size_t>(position)];
  ++picker.picked;
  picker.lastPosition = position;
  return true;
}

void SetKeyGeneratorSources(KeyGeneratorSources sources) { InstalledSources() = std::move(sources); }

bool KeyGeneratorRunning() { return RunningFlag(); }

KeyGeneratorResult RunKeyGenerator(QWidget* owner, QString& keyText) {
  const RandomFillFn fill = InstalledSources().fill ? InstalledSources().fill : RandomFillFn(FillFromRandomSource);
  const CursorPositionFn cursor =
      InstalledSources().cursor ? InstalledSources().cursor : CursorPositionFn(PlatformCursorPosition);

  const RunningScope running;
  RandomListBuffer list(new (std::nothrow) uint8_t[kRandomListSize]);

  // No close button: picking ends only when the key is complete.
  QWidget window(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  window.setObjectName(QStringLiteral("keyGeneratorWindow"));
  window.setWindowTitle(QStringLiteral("Tarnholm"));
  window.setFixedSize(kPickAreaSide, kPickAreaSide);
  // Modal for the whole program, so no other window takes a command meanwhile.
  window.setWindowModality(Qt::ApplicationModal);
  auto* label = new QLabel(QStringLiteral("Um den Schlüssel zu erzeugen bewegen Sie die Maus über dieses Fenster."),
                           &window);
  label->setGeometry(10, 6, 236, 40);
  label->setWordWrap(true);
  window.show();
  CentreOn(&window, owner);

  if (list == nullptr || !fill(list.get(), kRandomListSize)) {
    ShowInfo(&window, QStringLiteral("Error"), QStringLiteral("Key generation is not available"));
    return KeyGeneratorResult::Unavailable;
  }
  const RandomList randomList(list.get(), kRandomListSize);

  KeyPicker picker;
  QEventLoop loop;
  QTimer sampler;
  sampler.setTimerType(Qt::PreciseTimer);
  sampler.setInterval(kSampleIntervalMs);
  QObject::connect(&sampler, &QTimer::timeout, &window, [&] {
    // A window manager may still close it; the picking is not over.
    if (!window.isVisible()) window.show();
    (void)PickAtPoint(picker, randomList, cursor(&window));
  });
  sampler.start();
  // Not exec(): a quit request for the program must not end the picking early.
  while (picker.picked < static_cast<int>(picker.bytes.size())) loop.processEvents(QEventLoop::WaitForMoreEvents);
  sampler.stop();
  list.reset();

  ShowInfo(&window, QStringLiteral("Tarnholm"), QStringLiteral("Der Schlüssel wurde erzeugt."));
  window.hide();
  keyText = KeyTextFromMaterial(picker.bytes);
  OPENSSL_cleanse(picker.bytes.data(), picker.bytes.size());
  return KeyGeneratorResult::Done;
}
