#include "ui/FittingFont.h"

#include <QApplication>
#include <QFontInfo>
#include <QWidget>

void FitWindowFont(QWidget* window, const std::function<bool()>& fits) {
  QFont font = QApplication::font();
  const int largest = QFontInfo(font).pixelSize();
  for (int pixels = largest; pixels >= kSmallestFontPixels; --pixels) {
    font.setPixelSize(pixels);
    window->setFont(font);
    if (fits()) return;
  }
}

bool CaptionsFit(const QList<const QWidget*>& widgets) {
  for (const QWidget* widget : widgets) {
    const QSize needed = widget->sizeHint();
    if (needed.width() > widget->width() || needed.height() > widget->height()) return false;
  }
  return true;
}
