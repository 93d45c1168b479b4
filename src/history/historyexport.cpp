#include "historyexport.h"
#include "common/tr8.h"

#include "common/safefile.h"
#include "common/textfile.h"
#include "history/texts.h"

#include <QCoreApplication>
#include <QDir>

namespace kestrel {

namespace {

const QString Tabs = QStringLiteral("\t\t\t");
const QString LineEnd = QStringLiteral("\r\n");

} // namespace

HistoryExport::HistoryExport(const RecordDb &db, const ReadingSnapshot &snapshot,
                             const history::Aliases &aliases)
    : m_db(db), m_snapshot(snapshot), m_aliases(aliases)
{
}

QStringList HistoryExport::headLines(qint64 count)
{
    using namespace texts::history;
    QStringList lines = history::note(true).split(LineEnd);
    lines << QString() << fileText(CountBefore) + QString::number(count) + fileText(CountAfter) << QString();
    lines << QStringList{fileText(ExportHeaderTime), fileText(HeaderValue), fileText(HeaderType),
                         fileText(HeaderAddress), fileText(HeaderName)}
                 .join(Tabs);
    return lines;
}

void HistoryExport::appendLine(QString &out, const LoggedReading &r, const QString &alias)
{
    out += r.readTime;
    out += Tabs;
    out += r.readValue;
    out += Tabs;
    out += r.protype;
    out += Tabs;
    out += QString::number(r.address);
    out += Tabs;
    out += alias;
}

ExportResult HistoryExport::writeTo(const QString &path, bool yield) const
{
    ExportResult result;
    SafeFile file(path);
    const auto failed = [&](const QString &why) {
        file.cancel();
        return ExportResult{false, tr8(texts::history::WriteFailed).arg(QDir::toNativeSeparators(path), why),
                            0};
    };
    if (!file.open())
        return failed(file.errorString());
    if (!file.write(gbkLines(headLines(m_snapshot.count))))
        return failed(file.errorString());

    std::vector<LoggedReading> page;
    LoggedReading last;
    QString text;
    while (result.value < m_snapshot.count) {
        const int want = int(std::min<qint64>(PageSize, m_snapshot.count - result.value));
        PageResult next = m_db.readingsPage(m_snapshot, result.value > 0 ? &last : nullptr, want);
        if (!next.ok)
            return {false, next.error, 0};
        if (next.value.empty())
            break; // the count promised more than the log holds now; nothing is ever deleted
        text.clear();
        for (const LoggedReading &r : next.value) {
            appendLine(text, r,
                       r.address >= 1 && r.address <= 255 ? m_aliases[size_t(r.address)] : QString());
            text += LineEnd;
        }
        if (!file.write(encodeGbk(text)))
            return failed(file.errorString());
        result.value += qint64(next.value.size());
        last = std::move(next.value.back());
        if (yield)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    if (!file.commit())
        return failed(file.errorString());
    return result;
}

} // namespace kestrel
