// Captions from the localised messages, and the accessible names taken from them: a
// screen reader on the desktop reads the same words as the caption, without the "&"
// accelerator markers. Header-only and Qt's, like qtext.h.
#pragma once

#include "common/localizer.h"
#include "common/qtext.h"

#include <QString>
#include <QWidget>

namespace tov {

inline QString caption(Message id)
{
    return text::toQString(message(id));
}

inline QString withoutAccelerator(QString text)
{
    // "&&" is a literal ampersand; a single "&" only marks the accelerator.
    text.replace(QLatin1String("&&"), QLatin1String("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

// The name only: a screen reader reads the name and then the description, so a
// description that repeats the name says every title twice ("Nastavení zvuků dialog
// Nastavení zvuků"). A window sets a description only where it says more (the about box
// reads out its name, version and copyright).
inline void nameForAccessibility(QWidget* widget, const QString& text)
{
    widget->setAccessibleName(withoutAccelerator(text));
}

// A button's or a label's caption and the same words as its accessible name.
template <typename Widget>
void labelWidget(Widget* widget, Message id)
{
    const QString text = caption(id);
    widget->setText(text);
    nameForAccessibility(widget, text);
}

} // namespace tov
