// Accessible names for the shell's controls, taken from their captions: a screen reader
// on the desktop reads the same words a sighted helper sees, without the "&" markers.
#pragma once

#include <QString>
#include <QWidget>

namespace tov::shell {

inline QString withoutAccelerator(QString caption)
{
    // "&&" is a literal ampersand; a single "&" only marks the accelerator.
    caption.replace(QLatin1String("&&"), QLatin1String("\x01"));
    caption.remove(QLatin1Char('&'));
    caption.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return caption;
}

inline void nameForAccessibility(QWidget* widget, const QString& caption)
{
    widget->setAccessibleName(withoutAccelerator(caption));
    widget->setAccessibleDescription(withoutAccelerator(caption));
}

} // namespace tov::shell
