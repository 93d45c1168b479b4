#pragma once
// One way for every entry box of the windows: shown text set only when it differs, digit-only
// boxes, and the core's copy of a box kept in step with whatever changed its text (typing,
// pasting, a program or assistive technology).
#include <QLineEdit>

namespace kestrel {

// Sets the box's text only when it differs, so the operator's cursor stays where it is.
void showText(QLineEdit *box, const QString &text);

// Keys other than the digits 0..9 and Backspace are dropped; editing and navigation keys and
// shortcuts (copy, select all, menus) pass.
void makeDigitsOnly(QLineEdit *box);

// Calls `use` with the box's text whenever it changes, from any source.
template <class Receiver, class Use> void followText(QLineEdit *box, Receiver *context, Use use)
{
    QObject::connect(box, &QLineEdit::textChanged, context, use);
}

} // namespace kestrel
