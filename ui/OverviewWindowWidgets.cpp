#include "ui/OverviewWindowWidgets.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>

#include "ui/KeyEvents.h"
#include "ui/WindowEvents.h"

OverviewWindow* CreateOverviewWindow(QWidget* owner, EventSink sink) {
  auto* overview = new OverviewWindow;
  auto* window = new QWidget(owner, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                                        Qt::MSWindowsFixedSizeDialogHint);
  window->setObjectName(QStringLiteral("overviewWindow"));
  window->setWindowTitle(QStringLiteral("Tarnholm"));
  window->setFixedSize(480, 420);
  window->setAttribute(Qt::WA_DeleteOnClose, false);
  overview->window = window;

  overview->textArea = new QScrollArea(window);
  overview->textArea->setObjectName(QStringLiteral("overviewTextArea"));
  overview->textArea->setGeometry(20, 20, 450, 360);
  overview->textArea->setFrameShape(QFrame::NoFrame);
  overview->textArea->setBackgroundRole(QPalette::Window);
  // The label grows with its text; the area scrolls where it does not fit.
  overview->textArea->setWidgetResizable(true);
  overview->text = new QLabel(QStringLiteral("..."));
  overview->text->setObjectName(QStringLiteral("overviewText"));
  overview->text->setTextFormat(Qt::PlainText);
  overview->text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  overview->text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  overview->textArea->setWidget(overview->text);

  overview->closeButton = new QPushButton(QStringLiteral("Abbrechen"), window);
  overview->closeButton->setObjectName(QStringLiteral("overviewClose"));
  overview->closeButton->setGeometry(350, 380, 100, 25);
  QObject::connect(overview->closeButton, &QPushButton::clicked, window, [sink] {
    sink(Event{EventKind::Widget, WindowId::Overview, WidgetId::OverviewClose, EventType::None, 0});
  });
  RouteKeys(window, WindowId::Overview, WidgetId::None, {KeyId::Escape}, sink);
  RouteWindowEvents(window, WindowId::Overview, sink);

  if (owner != nullptr) {
    const QRect frame = owner->geometry();
    window->move(frame.center() - QPoint(240, 210));
  }
  return overview;
}

void DestroyOverviewWindow(OverviewWindow* overview) {
  if (overview == nullptr) return;
  CloseRoutedWindow(overview->window);
  overview->window->deleteLater();
  delete overview;
}
