#include "trafficmodel.h"
#include "common/tr8.h"

#include "texts.h"

namespace kestrel {

using namespace texts::link;

namespace {

QString hexByte(uint8_t b)
{
    return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
}

// The verdicts of the statistics columns after the replies, time-outs first.
constexpr Verdict kStatsVerdicts[] = {Verdict::Timeout,   Verdict::BadCrc, Verdict::WrongAddress,
                                      Verdict::Exception, Verdict::Late,   Verdict::Trailing};

} // namespace

TrafficModel::TrafficModel(const Traffic &traffic, QObject *parent)
    : QAbstractTableModel(parent), m_traffic(traffic)
{
}

void TrafficModel::refresh()
{
    const FrameRing &ring = m_traffic.frames();
    if (m_paused)
        return;
    const qint64 from = std::max(m_next, ring.first());
    const qint64 count = ring.total() - from;
    m_next = ring.total();
    if (count <= 0)
        return;
    const qint64 capacity = ring.capacity();
    const qint64 drop = std::min<qint64>(static_cast<qint64>(m_rows.size()),
                                         static_cast<qint64>(m_rows.size()) + count - capacity);
    if (drop > 0) {
        beginRemoveRows({}, 0, int(drop - 1));
        m_rows.erase(m_rows.begin(), m_rows.begin() + drop);
        endRemoveRows();
    }
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(count) - 1);
    for (qint64 s = from; s < ring.total(); ++s) {
        const TrafficFrame &f = ring.at(s);
        m_rows.push_back({f, f.at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")),
                          QString::fromLatin1(f.bytes.toHex(' ').toUpper())});
    }
    endInsertRows();
}

void TrafficModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_next = m_traffic.frames().total();
    endResetModel();
}

int TrafficModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TrafficModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TrafficModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row &row = m_rows[size_t(index.row())];
    const TrafficFrame &f = row.frame;
    if (role == AddressRole)
        return f.address;
    if (role == VerdictRole)
        return f.verdict ? QVariant(int(*f.verdict)) : QVariant();
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case Time:
        return row.time;
    case Direction:
        return tr8(f.sent ? DirectionSent : DirectionReceived);
    case Address:
        return f.address;
    case Function:
        return hexByte(f.function);
    case Bytes:
        return row.bytes;
    case Response:
        return f.responseMs >= 0 ? QVariant(f.responseMs) : QVariant();
    case VerdictColumn:
        return f.verdict ? tr8(verdictText(*f.verdict)) : QString();
    }
    return {};
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const captions[] = {ColTime,  ColDirection, ColAddress, ColFunction,
                                           ColBytes, ColResponse,  ColVerdict};
    return section >= 0 && section < ColumnCount ? tr8(captions[section]) : QVariant();
}

void AddressFilter::setAddress(int address)
{
    if (address == m_address)
        return;
    m_address = address;
    invalidateRowsFilter();
}

bool AddressFilter::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_address == 0)
        return true;
    const QModelIndex i = sourceModel()->index(sourceRow, 0, sourceParent);
    return sourceModel()->data(i, TrafficModel::AddressRole).toInt() == m_address;
}

TrafficStatsModel::TrafficStatsModel(Traffic &traffic, QObject *parent)
    : QAbstractTableModel(parent), m_traffic(traffic)
{
}

void TrafficStatsModel::refresh()
{
    if (m_traffic.statsGeneration() == m_generation)
        return;
    m_generation = m_traffic.statsGeneration();
    std::vector<int> addresses;
    std::vector<AddressStats> rows;
    for (int a = 0; a < 256; ++a)
        if (!m_traffic.stats(a).empty()) {
            addresses.push_back(a);
            rows.push_back(m_traffic.stats(a));
        }
    if (addresses != m_addresses) {
        beginResetModel();
        m_addresses = std::move(addresses);
        m_rows = std::move(rows);
        endResetModel();
    } else if (!rows.empty()) {
        m_rows = std::move(rows);
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
    }
}

void TrafficStatsModel::reset()
{
    m_traffic.resetStats();
    refresh();
}

int TrafficStatsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TrafficStatsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TrafficStatsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || role != Qt::DisplayRole)
        return {};
    const AddressStats &s = m_rows[size_t(index.row())];
    const int c = index.column();
    const auto ms = [](qint64 v) { return v >= 0 ? QVariant(v) : QVariant(); };
    if (c == Address)
        return m_addresses[size_t(index.row())];
    if (c == Requests)
        return s.requests;
    if (c == Replies)
        return s.replies;
    if (c >= FirstVerdict && c < MinMs)
        return s.count(kStatsVerdicts[c - FirstVerdict]);
    if (c == MinMs)
        return ms(s.minMs);
    if (c == MeanMs)
        return ms(s.meanMs());
    if (c == MaxMs)
        return ms(s.maxMs);
    return {};
}

QVariant TrafficStatsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section >= FirstVerdict && section < MinMs)
        return tr8(verdictText(kStatsVerdicts[section - FirstVerdict]));
    static const char *const captions[] = {ColAddress, ColRequests, ColReplies};
    static const char *const times[] = {ColMin, ColMean, ColMax};
    if (section >= 0 && section < FirstVerdict)
        return tr8(captions[section]);
    if (section >= MinMs && section < ColumnCount)
        return tr8(times[section - MinMs]);
    return {};
}

} // namespace kestrel
