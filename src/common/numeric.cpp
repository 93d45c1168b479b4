#include "numeric.h"

#include <cmath>

namespace kestrel {

double leadingNumber(const QString &text)
{
    int i = 0;
    const int len = text.size();
    while (i < len && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    QString digits;
    if (i < len && (text[i] == u'+' || text[i] == u'-'))
        digits += text[i++];
    bool seenDigit = false, seenPoint = false;
    for (; i < len; ++i) {
        const QChar c = text[i];
        if (c.isDigit() && c.unicode() < 128) {
            digits += c;
            seenDigit = true;
        } else if (c == u'.' && !seenPoint) {
            digits += c;
            seenPoint = true;
        } else if ((c == u'e' || c == u'E') && seenDigit) {
            // An exponent continues the number only when digits follow it.
            int j = i + 1;
            QString exp = QStringLiteral("e");
            if (j < len && (text[j] == u'+' || text[j] == u'-'))
                exp += text[j++];
            int expDigits = 0;
            while (j < len && text[j].isDigit() && text[j].unicode() < 128) {
                exp += text[j++];
                ++expDigits;
            }
            if (expDigits > 0)
                digits += exp;
            break;
        } else {
            break;
        }
    }
    if (!seenDigit)
        return 0.0;
    bool ok = false;
    const double v = digits.toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0.0;
}

qint64 roundHalfEven(double value)
{
    if (!std::isfinite(value))
        return 0;
    constexpr double limit = 9.0e18;
    if (value > limit)
        return static_cast<qint64>(limit);
    if (value < -limit)
        return static_cast<qint64>(-limit);
    return static_cast<qint64>(std::nearbyint(value)); // default rounding mode: to nearest, ties to even
}

std::optional<int> strictWholeNumber(const QString &text, int lo, int hi)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 9)
        return std::nullopt;
    for (QChar c : t)
        if (!(c.isDigit() && c.unicode() < 128))
            return std::nullopt;
    const int v = t.toInt();
    if (v < lo || v > hi)
        return std::nullopt;
    return v;
}

} // namespace kestrel
