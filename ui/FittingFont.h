#pragma once
// Window fonts that fit the fixed layout: the positions and sizes of every
// widget are fixed, the font is not, so each window takes the system's default
// font at the largest size at which its captions fit.

#include <QList>
#include <functional>

class QWidget;

// The smallest pixel size a window is given, however little fits.
inline constexpr int kSmallestFontPixels = 9;

// Gives `window` the application's default font at the largest pixel size, from
// the default's own down to kSmallestFontPixels, for which `fits` holds once the
// window has it. Widgets with a font of their own keep it.
void FitWindowFont(QWidget* window, const std::function<bool()>& fits);

// True when each widget's size hint fits its geometry: the whole caption of a
// label, check box or button is shown.
[[nodiscard]] bool CaptionsFit(const QList<const QWidget*>& widgets);
