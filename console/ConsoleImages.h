#pragma once
// The console's own pictures, drawn at run time: button glyphs, the two
// indicators and the two notification-area icons.
#include <QIcon>
#include <QPixmap>

namespace vorn::images {

enum class Glyph { Start, Stop, Config, Exit, Power };

QPixmap ButtonGlyph(Glyph glyph);
// I1 (processing, green) or I2 (stopped, red).
QPixmap Indicator(bool processing);
// A cash register with a green (processing) or red (stopped) light.
QIcon TrayImage(bool processing);
QIcon ApplicationIcon();

}  // namespace vorn::images
