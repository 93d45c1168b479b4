#pragma once
// The traffic monitor's models over the core's traffic: the frame list (its own copy of the
// frames it shows, taken from the ring in batches), a filter by bus address, and the statistics
// table. Nothing changes between two refresh() calls, so a view over them repaints at most as
// often as refresh() runs: the monitor calls it five times a second while it is shown.
#include "traffic.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <deque>

namespace kestrel {

class TrafficModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Time, Direction, Address, Function, Bytes, Response, VerdictColumn, ColumnCount };
    static constexpr int AddressRole = Qt::UserRole;     // the bus address as a number
    static constexpr int VerdictRole = Qt::UserRole + 1; // the Verdict as an int; none for a request

    explicit TrafficModel(const Traffic &traffic, QObject *parent = nullptr);

    // Takes the frames added since the last refresh (at most the ring's capacity), in one insert,
    // dropping the oldest rows beyond the capacity in one removal. Nothing while paused.
    void refresh();
    void setPaused(bool paused) { m_paused = paused; }
    bool paused() const { return m_paused; }
    // Empties the list; frames that come later are shown.
    void clear();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    // A frame with its texts made once, when taken: a view paints the same rows many times.
    struct Row {
        TrafficFrame frame;
        QString time;
        QString bytes;
    };
    const Traffic &m_traffic;
    std::deque<Row> m_rows;
    qint64 m_next = 0; // ring sequence number of the next frame to take
    bool m_paused = false;
};

// Rows of one bus address only; address 0 shows all.
class AddressFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void setAddress(int address);
    int address() const { return m_address; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    int m_address = 0;
};

// One row per bus address that has seen traffic: requests, replies, time-outs, each rejected
// cause, and the response time.
class TrafficStatsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        Address,
        Requests,
        Replies,
        FirstVerdict, // Timeout, BadCrc, WrongAddress, Exception, Late, Trailing, in that order
        MinMs = FirstVerdict + 6,
        MeanMs,
        MaxMs,
        ColumnCount
    };
    explicit TrafficStatsModel(Traffic &traffic, QObject *parent = nullptr);

    void refresh(); // takes the counts when they changed since the last refresh
    void reset();   // the traffic's statistics back to zero

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    Traffic &m_traffic;
    std::vector<int> m_addresses;
    std::vector<AddressStats> m_rows;
    qint64 m_generation = -1;
};

} // namespace kestrel
