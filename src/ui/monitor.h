#pragma once
// "通讯监视": the traffic monitor beside the main window, modeless. One tab lists the frames on
// the bus (filter by address, pause, clear, export), one the statistics per address (reset), one
// the diagnostic log that also goes to kestrel.log (newest first, export). While it is shown, a
// timer takes new frames into the list in one batch five times a second; hidden, it does nothing.
#include <QWidget>
#include <memory>

class QAction;
class QMenu;
class QAbstractItemModel;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTableView;

namespace kestrel {

class AddressFilter;
class Operator;
class Timer;
class TimerFactory;
class Traffic;
class TrafficModel;
class TrafficStatsModel;

class TrafficMonitor : public QWidget {
    Q_OBJECT
public:
    static constexpr int RefreshMs = 200;

    TrafficMonitor(Traffic &traffic, Operator &op, TimerFactory &timers, const QString &exportFolder,
                   QWidget *parent = nullptr);
    ~TrafficMonitor() override;

    // Takes what came since the last refresh into the frame list and the statistics.
    void refresh();

    TrafficModel &frames() { return *m_frames; }
    TrafficStatsModel &statistics() { return *m_stats; }

protected:
    void showEvent(QShowEvent *e) override;
    void hideEvent(QHideEvent *e) override;

private:
    QWidget *buildFramesTab();
    QWidget *buildStatsTab();
    QWidget *buildLogTab();
    void exportLines(const QStringList &lines);
    void addLogLine(const QDateTime &at, const QString &text);

    Operator &m_op;
    const QString m_exportFolder;
    TrafficModel *m_frames;
    AddressFilter *m_filter;
    TrafficStatsModel *m_stats;
    std::unique_ptr<Timer> m_timer;
    QTableView *m_frameView = nullptr;
    QTableView *m_statsView = nullptr;
    QListWidget *m_log = nullptr;
};

// Adds the item "通讯监视" (mnuMonitor) to the maintenance menu; the window is made when first
// opened, as a window of its own beside the menu's window, and kept when closed.
QAction *addMonitorItem(QMenu *maintenance, Traffic &traffic, Operator &op, TimerFactory &timers,
                        const QString &exportFolder);

// The device grid's tooltips: over the row of a device whose last exchange failed, the cause and
// the time of its last good reading (faultNote). The address is read from the row's first cell.
void addFaultTooltips(QTableView *deviceGrid, const Traffic &traffic);

// The rows of a table model as text lines: the column captions, then one line per row, the cells
// separated by a tab.
QStringList tableLines(const QAbstractItemModel &model);

} // namespace kestrel
