#pragma once
// The grid of the history dialog: the readings of one snapshot of the reading log, fetched in
// pages as the view scrolls to them. A result of 100,000 readings is never held as widgets or
// read in one piece; each page is a short read of its own, continuing after the last row it has
// (address, time, row id), so the log stays free for polling to write between pages.
#include "history/historyquery.h"
#include "recording/recorddb.h"

#include <QAbstractTableModel>
#include <vector>

namespace kestrel {

class HistoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Time, Value, Type, Address, Name, Columns };
    static constexpr int PageSize = 1000;

    explicit HistoryModel(const RecordDb &db, QObject *parent = nullptr);

    // Column widths of the grid in twips.
    static int columnWidth(int column);

    // Shows the readings of `snapshot`, named by `aliases`, and loads the first page.
    DbStatus show(const ReadingSnapshot &snapshot, const history::Aliases &aliases);
    // An empty grid.
    void clear();

    qint64 count() const { return m_snapshot.count; }
    const LoggedReading &reading(int row) const { return m_rows.at(size_t(row)); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

Q_SIGNALS:
    // A page could not be read; the grid keeps what it has and fetches no more.
    void fetchFailed(const QString &error);

private:
    DbStatus fetchPage();

    const RecordDb &m_db;
    ReadingSnapshot m_snapshot;
    history::Aliases m_aliases;
    std::vector<LoggedReading> m_rows;
    bool m_stopped = false;
    bool m_fetching = false;
};

} // namespace kestrel
