#include "monitor.h"

#include "devices/devicegrid.h"
#include "common/tr8.h"

#include "common/clock.h"
#include "common/log.h"
#include "common/operator.h"
#include "common/textfile.h"
#include "link/texts.h"
#include "link/trafficmodel.h"
#include "texts.h"

#include <QAction>
#include <QBrush>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStaticText>
#include <QStyledItemDelegate>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QToolTip>
#include <QHelpEvent>
#include <QVBoxLayout>

namespace kestrel {

using namespace texts::ui;

namespace {

// The filtered frame list with rejected replies and time-outs in red.
class ColouredFilter : public AddressFilter {
public:
    using AddressFilter::AddressFilter;
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::ForegroundRole) {
            const QVariant v = AddressFilter::data(index, TrafficModel::VerdictRole);
            if (v.isValid() && v.toInt() != int(Verdict::Ok))
                return QBrush(Qt::red);
        }
        return AddressFilter::data(index, role);
    }
};

// Cells as plain text on one line, each text laid out once: a view that follows a busy bus
// paints the same texts, a few rows higher, at every refresh, and laying them out again costs most of it.
class PlainTextDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        if (selected)
            p->fillRect(option.rect, option.palette.highlight());
        const QVariant fg = index.data(Qt::ForegroundRole);
        p->setPen(selected       ? option.palette.highlightedText().color()
                  : fg.isValid() ? fg.value<QBrush>().color()
                                 : option.palette.text().color());
        const QStaticText &text = laidOut(index.data().toString());
        const QRect r =
            option.rect.adjusted(option.fontMetrics.horizontalAdvance(QLatin1Char(' ')) / 2 + 1, 0, 0, 0);
        const QPoint at(r.left(), r.top() + (r.height() - int(text.size().height())) / 2);
        if (text.size().width() <= r.width())
            return p->drawStaticText(at, text);
        p->save();
        p->setClipRect(r);
        p->drawStaticText(at, text);
        p->restore();
    }

private:
    const QStaticText &laidOut(const QString &s) const
    {
        auto it = m_laidOut.find(s);
        if (it != m_laidOut.end())
            return *it;
        if (m_laidOut.size() > 4 * Traffic::RingFrames / 10) // the texts of a few screens
            m_laidOut.clear();
        QStaticText t(s);
        t.setTextFormat(Qt::PlainText);
        return *m_laidOut.insert(s, t);
    }
    mutable QHash<QString, QStaticText> m_laidOut;
};

QPushButton *button(const char *caption, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(tr8(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QTableView *tableView(QAbstractItemModel *model, const char *name, QWidget *parent)
{
    auto *v = new QTableView(parent);
    v->setObjectName(QString::fromLatin1(name));
    v->setModel(model);
    v->verticalHeader()->hide();
    v->verticalHeader()->setDefaultSectionSize(v->fontMetrics().height() + 4);
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    v->setWordWrap(false);
    return v;
}

QString logLine(const QDateTime &at, const QString &text)
{
    return at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")) + text;
}

} // namespace

namespace {
class FaultTooltips : public QObject {
public:
    FaultTooltips(QTableView *view, const Traffic &traffic) : QObject(view), m_view(view), m_traffic(traffic)
    {
    }
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() != QEvent::ToolTip)
            return false;
        auto *help = static_cast<QHelpEvent *>(e);
        const QModelIndex i = m_view->indexAt(help->pos());
        bool isAddress = false;
        const int address = i.isValid() ? i.siblingAtColumn(0).data().toInt(&isAddress) : 0;
        // Only an old row (its last read failed, or its port is gone) says why.
        const bool old = i.data(DeviceGrid::RowStateRole).toInt() == int(DeviceGrid::RowState::Old);
        const QString note = old && isAddress && address >= 1 && address <= 255
                                 ? faultNote(m_traffic.stats(address))
                                 : QString();
        if (note.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), note, m_view->viewport(), m_view->visualRect(i));
        return true;
    }

private:
    QTableView *m_view;
    const Traffic &m_traffic;
};
} // namespace

void addFaultTooltips(QTableView *deviceGrid, const Traffic &traffic)
{
    deviceGrid->viewport()->installEventFilter(new FaultTooltips(deviceGrid, traffic));
}

QStringList tableLines(const QAbstractItemModel &model)
{
    QStringList lines;
    QStringList cells;
    for (int c = 0; c < model.columnCount(); ++c)
        cells << model.headerData(c, Qt::Horizontal).toString();
    lines << cells.join(QLatin1Char('\t'));
    for (int r = 0; r < model.rowCount(); ++r) {
        cells.clear();
        for (int c = 0; c < model.columnCount(); ++c)
            cells << model.data(model.index(r, c)).toString();
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines;
}

TrafficMonitor::TrafficMonitor(Traffic &traffic, Operator &op, TimerFactory &timers,
                               const QString &exportFolder, QWidget *parent)
    : QWidget(parent, Qt::Window), m_op(op), m_exportFolder(exportFolder),
      m_frames(new TrafficModel(traffic, this)), m_filter(new ColouredFilter(this)),
      m_stats(new TrafficStatsModel(traffic, this)), m_timer(timers.create())
{
    setObjectName(QStringLiteral("frmMonitor"));
    setWindowTitle(tr8(MonitorTitle));
    m_filter->setSourceModel(m_frames);
    auto *tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("monitorTabs"));
    tabs->addTab(buildFramesTab(), tr8(MonitorFramesTab));
    tabs->addTab(buildStatsTab(), tr8(MonitorStatsTab));
    tabs->addTab(buildLogTab(), tr8(MonitorLogTab));
    connect(tabs, &QTabWidget::currentChanged, this, &TrafficMonitor::refresh);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    resize(900, 520);

    m_timer->setInterval(RefreshMs);
    connect(m_timer.get(), &Timer::timeout, this, &TrafficMonitor::refresh);
}

TrafficMonitor::~TrafficMonitor() = default;

QWidget *TrafficMonitor::buildFramesTab()
{
    auto *page = new QWidget;
    auto *address = new QSpinBox(page);
    address->setObjectName(QStringLiteral("monitorAddress"));
    address->setRange(0, 255);
    address->setSpecialValueText(tr8(MonitorAllAddresses)); // 0: every address
    connect(address, &QSpinBox::valueChanged, m_filter, &AddressFilter::setAddress);
    auto *pause = button(MonitorPause, "cmdMonitorPause", page);
    pause->setCheckable(true);
    connect(pause, &QPushButton::toggled, this, [this, pause](bool on) {
        m_frames->setPaused(on);
        pause->setText(tr8(on ? MonitorContinue : MonitorPause));
    });
    auto *clear = button(MonitorClear, "cmdMonitorClear", page);
    connect(clear, &QPushButton::clicked, m_frames, &TrafficModel::clear);
    auto *save = button(MonitorExport, "cmdMonitorExport", page);
    connect(save, &QPushButton::clicked, this, [this] { exportLines(tableLines(*m_filter)); });

    auto *bar = new QHBoxLayout;
    bar->addWidget(new QLabel(tr8(MonitorAddress), page));
    bar->addWidget(address);
    bar->addStretch();
    bar->addWidget(pause);
    bar->addWidget(clear);
    bar->addWidget(save);
    m_frameView = tableView(m_filter, "frameView", page);
    m_frameView->setItemDelegate(new PlainTextDelegate(m_frameView));
    // Widths from the longest text of each column, once: measuring ten thousand rows on every
    // batch would cost more than the polling it shows.
    QHeaderView *h = m_frameView->horizontalHeader();
    h->setSectionResizeMode(QHeaderView::Fixed);
    h->setSectionResizeMode(TrafficModel::Bytes, QHeaderView::Stretch);
    const QFontMetrics fm = m_frameView->fontMetrics();
    const int pad = 2 * fm.horizontalAdvance(QLatin1Char('0'));
    const auto widest = [&](std::initializer_list<QString> texts) {
        int w = 0;
        for (const QString &t : texts)
            w = std::max(w, fm.horizontalAdvance(t));
        return w + pad;
    };
    using namespace texts::link;
    h->resizeSection(TrafficModel::Time, widest({QStringLiteral("2026-12-06 00:00:00.000")}));
    h->resizeSection(TrafficModel::Direction,
                     widest({tr8(DirectionSent), tr8(DirectionReceived), tr8(ColDirection)}));
    h->resizeSection(TrafficModel::Address, widest({QStringLiteral("255"), tr8(ColAddress)}));
    h->resizeSection(TrafficModel::Function, widest({QStringLiteral("FF"), tr8(ColFunction)}));
    h->resizeSection(TrafficModel::Response, widest({QStringLiteral("300000"), tr8(ColResponse)}));
    h->resizeSection(TrafficModel::VerdictColumn,
                     widest({tr8(VerdictTrailing), tr8(VerdictException), tr8(ColVerdict)}));
    m_frameView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    auto *layout = new QVBoxLayout(page);
    layout->addLayout(bar);
    layout->addWidget(m_frameView);
    return page;
}

QWidget *TrafficMonitor::buildStatsTab()
{
    auto *page = new QWidget;
    auto *reset = button(MonitorReset, "cmdMonitorReset", page);
    connect(reset, &QPushButton::clicked, m_stats, &TrafficStatsModel::reset);
    m_statsView = tableView(m_stats, "statsView", page);
    QTableView *view = m_statsView;
    // Each column as wide as its caption or a five-digit count, set once (measuring the rows
    // again on every refresh would cost more than the counting).
    QHeaderView *h = view->horizontalHeader();
    h->setSectionResizeMode(QHeaderView::Fixed);
    const QFontMetrics fm = view->fontMetrics();
    for (int c = 0; c < TrafficStatsModel::ColumnCount; ++c)
        h->resizeSection(c, std::max(fm.horizontalAdvance(m_stats->headerData(c, Qt::Horizontal).toString()),
                                     fm.horizontalAdvance(QStringLiteral("00000"))) +
                                3 * fm.horizontalAdvance(QLatin1Char('0')));
    auto *bar = new QHBoxLayout;
    bar->addStretch();
    bar->addWidget(reset);
    auto *layout = new QVBoxLayout(page);
    layout->addLayout(bar);
    layout->addWidget(view);
    return page;
}

QWidget *TrafficMonitor::buildLogTab()
{
    auto *page = new QWidget;
    m_log = new QListWidget(page);
    m_log->setObjectName(QStringLiteral("logList"));
    const LogFeed &feed = LogFeed::instance();
    for (const LogFeed::Line &l : feed.recent())
        addLogLine(l.at, l.text);
    connect(&feed, &LogFeed::appended, this, &TrafficMonitor::addLogLine);
    auto *save = button(MonitorExport, "cmdLogExport", page);
    connect(save, &QPushButton::clicked, this, [this] {
        QStringList lines;
        for (int i = 0; i < m_log->count(); ++i)
            lines << m_log->item(i)->text();
        exportLines(lines);
    });
    auto *bar = new QHBoxLayout;
    bar->addStretch();
    bar->addWidget(save);
    auto *layout = new QVBoxLayout(page);
    layout->addLayout(bar);
    layout->addWidget(m_log);
    return page;
}

void TrafficMonitor::addLogLine(const QDateTime &at, const QString &text)
{
    m_log->insertItem(0, logLine(at, text)); // newest first
    while (m_log->count() > LogFeed::RecentLines)
        delete m_log->takeItem(m_log->count() - 1);
}

void TrafficMonitor::refresh()
{
    QScrollBar *bar = m_frameView->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    m_frames->refresh();
    if (m_statsView->isVisible()) // counted all along; taken when shown
        m_stats->refresh();
    if (atEnd)
        m_frameView->scrollToBottom();
}

void TrafficMonitor::showEvent(QShowEvent *e)
{
    refresh();
    m_timer->start();
    QWidget::showEvent(e);
}

void TrafficMonitor::hideEvent(QHideEvent *e)
{
    m_timer->stop();
    QWidget::hideEvent(e);
}

void TrafficMonitor::exportLines(const QStringList &lines)
{
    QDir().mkpath(m_exportFolder);
    const QString path = m_op.askSaveFile(m_exportFolder, tr8(MonitorExportFilter));
    if (path.isEmpty())
        return;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(gbkLines(lines)) < 0 || !f.flush()) {
        appendLog(QStringLiteral("monitor export to %1 failed: %2").arg(path, f.errorString()));
        m_op.message(tr8(MonitorExportFailed) + path, QString(), Operator::Icon::Warning);
    }
}

QAction *addMonitorItem(QMenu *maintenance, Traffic &traffic, Operator &op, TimerFactory &timers,
                        const QString &exportFolder)
{
    QAction *a = maintenance->addAction(tr8(MonitorTitle));
    a->setObjectName(QStringLiteral("mnuMonitor"));
    QObject::connect(a, &QAction::triggered, maintenance, [=, &traffic, &op, &timers] {
        QWidget *owner = maintenance->window();
        auto *m = owner->findChild<TrafficMonitor *>(QString(), Qt::FindDirectChildrenOnly);
        if (!m)
            m = new TrafficMonitor(traffic, op, timers, exportFolder, owner);
        m->show();
        m->raise();
        m->activateWindow();
    });
    return a;
}

} // namespace kestrel
