#pragma once
#include <QString>
#include <optional>

namespace kestrel {

// The number at the start of a text: leading blanks skipped, reading stops at the
// first character that cannot continue a number; 0 when there is none.
double leadingNumber(const QString &text);

// leadingNumber rounded to an integer, halves to even.
qint64 roundHalfEven(double value);
inline qint64 numericValue(const QString &text)
{
    return roundHalfEven(leadingNumber(text));
}

// A whole number lo..hi written with digits only (blanks around allowed); nothing else.
std::optional<int> strictWholeNumber(const QString &text, int lo, int hi);

} // namespace kestrel
