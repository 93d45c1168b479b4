#include "historyquery.h"
#include "common/tr8.h"

#include "common/numeric.h"
#include "common/operator.h"
#include "history/historyexport.h"
#include "history/historymodel.h"
#include "history/texts.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace kestrel {

namespace {

const QString LineEnd = QStringLiteral("\r\n");
constexpr int MaxAddress = 255;

} // namespace

namespace history {

QString dateText(const QDate &d)
{
    return d.toString(QStringLiteral("yyyy-MM-dd"));
}

std::optional<QDate> parseDate(const QString &text)
{
    static const QRegularExpression form(QStringLiteral(R"(^\s*(\d{4})([-/])(\d{1,2})\2(\d{1,2})\s*$)"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate d(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
    if (!d.isValid())
        return std::nullopt;
    return d;
}

Aliases aliasTable(const AliasListResult &list)
{
    Aliases a;
    for (const AliasRow &row : list.value)
        if (row.address >= 1 && row.address <= MaxAddress)
            a[size_t(row.address)] = row.alias;
    return a;
}

QString note(bool forExport)
{
    using namespace texts::history;
    // The export file's note keeps its text whatever the interface language.
    QString (*const text)(const char *) = forExport ? fileText : tr8;
    return text(forExport ? ExportNoteHeading : ShowNoteHeading) + LineEnd + text(NoteTenfold) + LineEnd +
           text(NoteHundredfold) + text(NoteOthers);
}

FormCheck checkForm(const QString &start, const QString &end, const QString &address)
{
    using namespace texts::history;
    if (address.isEmpty() || address == QStringLiteral(" "))
        return {std::nullopt, tr8(AddressEmpty), QStringLiteral("0")};
    const qint64 a = numericValue(address);
    if (a > MaxAddress)
        return {std::nullopt, tr8(AddressTooLarge), QStringLiteral("1")};
    const std::optional<QDate> from = parseDate(start);
    if (!from)
        return {std::nullopt, tr8(BadStartDate).arg(start), std::nullopt};
    const std::optional<QDate> to = parseDate(end);
    if (!to)
        return {std::nullopt, tr8(BadEndDate).arg(end), std::nullopt};
    // Days from midnight to midnight: the end day itself is not included.
    return {ReadingQuery{from->startOfDay(), to->startOfDay(), int(a), {}}, {}, std::nullopt};
}

} // namespace history

HistoryQuery::HistoryQuery(const RecordDb &db, Operator &op, HistoryModel &model, const QString &folder,
                           QObject *parent)
    : QObject(parent), m_db(db), m_op(op), m_model(model), m_folder(folder)
{
}

void HistoryQuery::Text2_Change(const QString &text)
{
    if (numericValue(text) > MaxAddress) {
        Q_EMIT text2Changed(QStringLiteral("1"));
        m_op.message(tr8(texts::history::AddressTooLarge));
    }
}

std::optional<ReadingSnapshot> HistoryQuery::prepare(const QString &start, const QString &end,
                                                     const QString &address)
{
    const history::FormCheck form = history::checkForm(start, end, address);
    if (!form.query) {
        if (form.addressBox)
            Q_EMIT text2Changed(*form.addressBox);
        m_op.message(form.message);
        return std::nullopt;
    }
    ReadingQuery query = *form.query;
    query.station = m_station;
    const SnapshotResult snap = m_db.snapshot(query);
    if (!snap.ok) {
        m_op.message(snap.error);
        return std::nullopt;
    }
    return snap.value;
}

std::optional<HistoryQuery::Question> HistoryQuery::ask(const QString &start, const QString &end,
                                                        const QString &address)
{
    const AliasListResult list = m_db.deviceList(m_station);
    if (!list.ok) {
        m_op.message(list.error);
        return std::nullopt;
    }
    const std::optional<ReadingSnapshot> snap = prepare(start, end, address);
    if (!snap)
        return std::nullopt;
    return Question{history::aliasTable(list), *snap};
}

void HistoryQuery::OKButton_Click(const QString &start, const QString &end, const QString &address)
{
    using namespace texts::history;
    if (m_busy)
        return;
    m_model.clear();
    const std::optional<Question> q = ask(start, end, address);
    if (!q)
        return;
    const ReadingSnapshot *snap = &q->snapshot;
    if (snap->count == 0) {
        m_op.message(tr8(NothingFound));
        return;
    }
    Q_EMIT text3Changed(history::note(false) + LineEnd + tr8(PleaseWait));
    if (const DbStatus s = m_model.show(*snap, q->aliases); !s.ok) {
        m_op.message(s.error);
        return;
    }
    Q_EMIT text3Changed(history::note(false) + LineEnd + tr8(ResultBefore) + QString::number(snap->count) +
                        tr8(ResultAfter));
}

void HistoryQuery::CancelButton_Click(const QString &start, const QString &end, const QString &address)
{
    using namespace texts::history;
    if (m_busy)
        return;
    const std::optional<Question> q = ask(start, end, address);
    if (!q)
        return;
    const ReadingSnapshot *snap = &q->snapshot;
    if (snap->count == 0) {
        m_op.message(tr8(NothingFound) + LineEnd + tr8(ChooseAgain));
        return;
    }
    const QString path = m_op.askSaveFile(m_folder, tr8(ExportFilter));
    if (path.isEmpty()) {
        m_op.message(tr8(NoFileName));
        return;
    }
    m_busy = true;
    const ExportResult r = HistoryExport(m_db, *snap, q->aliases).writeTo(path, true);
    m_busy = false;
    if (!r.ok) {
        m_op.message(r.error);
        return;
    }
    Q_EMIT text3Changed(tr8(ExportDone) + LineEnd + tr8(SavedIn) +
                        QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
}

} // namespace kestrel
