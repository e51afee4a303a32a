// Small helpers that the Qt side of every folder shares.
#pragma once

#include <QApplication>
#include <QScreen>
#include <QString>
#include <QWidget>
#include <cmath>
#include <string>
#include <string_view>

namespace kestrum {

// QString and the core's UTF-16 text hold the same code units.
inline QString Q(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::u16string U(const QString& text) { return text.toStdU16String(); }

// The wait cursor for as long as a scope lasts, however it ends (an exception included).
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

// Twips (1/1440 inch) and pixels at the logical resolution of the widget's screen.
inline double LogicalDpi(const QWidget* widget, bool horizontal) {
  const QScreen* screen = widget->screen();
  return horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
}
inline int TwipsToPixels(const QWidget* widget, double twips, bool horizontal) {
  return static_cast<int>(std::lround(twips * LogicalDpi(widget, horizontal) / 1440.0));
}
inline float PixelsToTwips(const QWidget* widget, int pixels, bool horizontal) {
  return static_cast<float>(pixels * 1440.0 / LogicalDpi(widget, horizontal));
}

}  // namespace kestrum
