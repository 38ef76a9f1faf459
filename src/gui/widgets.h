#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

namespace velmorix {

class ClickLabel;

// The few looks and helpers every part of the window shares.
namespace widgets {

inline const QColor kLit(255, 128, 128);  // a line or a bit that is on
inline const QColor kPurple(128, 0, 128); // names and numbers beside the values

// A font with the CJK and full-width characters the console's texts and GBK name tables use
// ("：", "！", names in Chinese), which the usual desktop fonts lack: Debian's fonts-wqy-microhei.
inline constexpr char kCjkFamily[] = "WenQuanYi Micro Hei";
// Makes the application's font fall back to kCjkFamily for characters its own family lacks. Call
// once, after the application object is made.
void preferCjkFont();

// The system's fixed-pitch font, so digits line up, falling back to kCjkFamily; optionally at a
// point size.
QFont fixedFont(int pointSize = 0);

// Sets the text only when it differs, so an unchanged label is never repainted.
void setText(QLabel* label, const QString& text);
void setBold(QWidget* widget, bool bold);
void enable(QWidget* widget, bool enabled);

QLabel* label(QWidget* parent, const QString& name, bool fixed = true);
QLabel* purple(QLabel* label);
QPushButton* button(QWidget* parent, const QString& name, const QString& caption);
// A white, right-aligned value field of `chars` digits that reports clicks.
ClickLabel* valueField(QWidget* parent, const QString& name, int chars);

} // namespace widgets
} // namespace velmorix
