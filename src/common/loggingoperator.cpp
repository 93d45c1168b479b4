#include "loggingoperator.h"

#include "common/log.h"

#include <QRegularExpression>
#include <QStringList>

namespace kestrel {

// A message box's lines (CR LF inside the text) become lines of their own, each with the program's name.
void LoggingOperator::message(const QString &text, const QString &title, Icon)
{
    ++m_count;
    QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")), Qt::SkipEmptyParts);
    if (!title.isEmpty())
        lines.prepend(title);
    for (const QString &line : lines)
        std::fprintf(m_out, "%s: %s\n", qPrintable(m_program), line.toUtf8().constData());
    std::fflush(m_out);
    appendLog(lines.join(QStringLiteral(" | ")));
}

} // namespace kestrel
