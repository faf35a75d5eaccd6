#include "ui/KeyEvents.h"

#include <QKeyEvent>
#include <QWidget>
#include <QVector>

namespace {

KeyId KeyOf(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Escape: return KeyId::Escape;
    case Qt::Key_Return:
    case Qt::Key_Enter: return KeyId::Enter;
    case Qt::Key_Backspace: return KeyId::Backspace;
    case Qt::Key_F5: return KeyId::F5;
    case Qt::Key_Delete: return KeyId::Delete;
    case Qt::Key_F2: return KeyId::F2;
    default: return KeyId::None;
  }
}

class KeyEventFilter : public QObject {
 public:
  KeyEventFilter(QWidget* widget, WindowId window, WidgetId id, QVector<KeyId> keys, EventSink sink)
      : QObject(widget), widget_(widget), window_(window), id_(id), keys_(std::move(keys)), sink_(std::move(sink)) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != widget_ || event->type() != QEvent::KeyPress) return false;
    const auto* press = static_cast<QKeyEvent*>(event);
    // The keypad's Enter carries the keypad modifier; any other modifier makes another key.
    if ((press->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    const KeyId key = KeyOf(press->key());
    if (key == KeyId::None || !keys_.contains(key)) return false;
    Event record{EventKind::Key, window_, id_, EventType::None, 0};
    record.key = key;
    sink_(record);
    return true;
  }

 private:
  QWidget* widget_;
  WindowId window_;
  WidgetId id_;
  QVector<KeyId> keys_;
  EventSink sink_;
};

}  // namespace

void RouteKeys(QWidget* widget, WindowId window, WidgetId id, std::initializer_list<KeyId> keys, EventSink sink) {
  widget->installEventFilter(new KeyEventFilter(widget, window, id, QVector<KeyId>(keys), std::move(sink)));
}
