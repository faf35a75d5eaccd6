#include "ui/WindowEvents.h"

#include <QEvent>
#include <QWidget>

namespace {

constexpr const char* kClosingProperty = "tarnholmClosing";

class WindowEventFilter : public QObject {
 public:
  WindowEventFilter(QWidget* window, WindowId id, EventSink sink)
      : QObject(window), window_(window), id_(id), sink_(std::move(sink)) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != window_) return false;
    if (event->type() == QEvent::Close && !window_->property(kClosingProperty).toBool()) {
      event->ignore();
      sink_(Event{EventKind::CloseRequest, id_, WidgetId::None, EventType::None, 0});
      return true;
    }
    if (event->type() == QEvent::WindowDeactivate) {
      sink_(Event{EventKind::Deactivation, id_, WidgetId::None, EventType::None, 0});
    }
    return false;
  }

 private:
  QWidget* window_;
  WindowId id_;
  EventSink sink_;
};

}  // namespace

void RouteWindowEvents(QWidget* window, WindowId id, EventSink sink) {
  window->installEventFilter(new WindowEventFilter(window, id, std::move(sink)));
}

void CloseRoutedWindow(QWidget* window) {
  window->setProperty(kClosingProperty, true);
  window->close();
}
