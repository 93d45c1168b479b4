#include "historymodel.h"
#include "common/tr8.h"

#include "history/texts.h"

namespace kestrel {

namespace {

} // namespace

HistoryModel::HistoryModel(const RecordDb &db, QObject *parent) : QAbstractTableModel(parent), m_db(db) {}

int HistoryModel::columnWidth(int column)
{
    // The name column is as wide as the device grid's.
    static constexpr int widths[Columns] = {1800, 500, 550, 800, 1200};
    return column >= 0 && column < Columns ? widths[column] : 0;
}

void HistoryModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_snapshot = {};
    m_stopped = false;
    endResetModel();
}

DbStatus HistoryModel::show(const ReadingSnapshot &snapshot, const history::Aliases &aliases)
{
    clear();
    // The first page comes as inserted rows after the reset, as every later page does.
    m_aliases = aliases;
    m_snapshot = snapshot;
    return fetchPage();
}

int HistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int HistoryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const LoggedReading &r = m_rows[size_t(index.row())];
    switch (index.column()) {
    case Time:
        return r.readTime;
    case Value:
        return r.readValue;
    case Type:
        return r.protype;
    case Address:
        return QString::number(r.address);
    case Name:
        return r.address >= 1 && r.address <= 255 ? m_aliases[size_t(r.address)] : QString();
    default:
        return {};
    }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const captions[Columns] = {texts::history::HeaderTime, texts::history::HeaderValue,
                                                  texts::history::HeaderType, texts::history::HeaderAddress,
                                                  texts::history::HeaderName};
    return section >= 0 && section < Columns ? tr8(captions[section]) : QVariant();
}

bool HistoryModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && !m_stopped && !m_fetching && qint64(m_rows.size()) < m_snapshot.count;
}

void HistoryModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    if (const DbStatus s = fetchPage(); !s.ok)
        Q_EMIT fetchFailed(s.error);
}

DbStatus HistoryModel::fetchPage()
{
    const qint64 left = m_snapshot.count - qint64(m_rows.size());
    if (left <= 0)
        return {};
    PageResult page = m_db.readingsPage(m_snapshot, m_rows.empty() ? nullptr : &m_rows.back(),
                                        int(std::min<qint64>(left, PageSize)));
    if (!page.ok || page.value.empty()) {
        // Nothing more can come: a failed read, or rows that are gone from the log.
        m_stopped = true;
        return page.ok ? DbStatus{} : DbStatus::failure(page.error);
    }
    // A view that asks for more while the rows go in (a model checker does) gets nothing twice.
    m_fetching = true;
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(page.value.size()) - 1);
    m_rows.insert(m_rows.end(), std::make_move_iterator(page.value.begin()),
                  std::make_move_iterator(page.value.end()));
    endInsertRows();
    m_fetching = false;
    return {};
}

} // namespace kestrel
