// The history dialog on a reading log of 5,000,000 rows: 250 devices, each read 400 times a
// day for 50 days, so one day of all devices is a 100,000-row result. The log is written
// through the reading log's own writer (RecordDb::appendReadings, one batch per day) into
// a folder that is kept and reused by later runs (argument 1, default /tmp/kestrel-bench-history).
// Prints, for "显示" over one day and all devices: the time to the first rows, to the result
// line and to the first rows painted; the time to page through all 100,000 rows; the export of
// the same rows; and the resident memory of the process. Then the same on a shared log in a
// PostgreSQL server the benchmark starts for itself (built afresh each run).
#include "history/historyexport.h"
#include "history/historymodel.h"
#include "history/historyquery.h"
#include "history/texts.h"
#include "common/clock.h"
#include "common/operator.h"
#include "recording/recorddb.h"
#include "ui/dialog2.h"

#include "common/pgserver.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>

using namespace kestrel;

namespace {

constexpr int Days = 50;
constexpr int Devices = 250;
constexpr int ReadsPerDay = 400;
const QDate FirstDay(2026, 10, 1);

// Resident and peak resident memory in MB, from /proc/self/status.
std::pair<double, double> memoryMb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    double rss = 0, hwm = 0;
    if (f.open(QIODevice::ReadOnly))
        for (const QByteArray &line : f.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                rss = line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
            if (line.startsWith("VmHWM:"))
                hwm = line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
        }
    return {rss, hwm};
}

qint64 logged(const RecordDb &db)
{
    const SnapshotResult s = db.snapshot({FirstDay.startOfDay(), FirstDay.addDays(Days).startOfDay(), 0, {}});
    return s.ok ? s.value.count : -1;
}

bool buildLog(const RecordDb &db)
{
    if (logged(db) == qint64(Days) * Devices * ReadsPerDay)
        return true;
    if (!db.shared())
        QFile::remove(db.filePath());
    if (!db.check().ok)
        return false;
    QElapsedTimer t;
    t.start();
    std::vector<LogRow> day;
    day.reserve(size_t(Devices) * ReadsPerDay);
    for (int d = 0; d < Days; ++d) {
        day.clear();
        const qint64 start = FirstDay.addDays(d).startOfDay().toSecsSinceEpoch();
        // As a flush writes them: address by address, reading by reading.
        for (int a = 1; a <= Devices; ++a)
            for (int r = 0; r < ReadsPerDay; ++r)
                day.push_back({start + r * 216 + a / 10, uint16_t((a * 7 + r * 13) & 0xffff), a,
                               r % 2 ? QStringLiteral("T") : QStringLiteral("RH")});
        if (const DbStatus s = db.appendReadings(day); !s.ok) {
            std::printf("building the log failed: %s\n", qPrintable(s.error));
            return false;
        }
    }
    std::printf("Built a reading log of %lld rows in %.1f s through the reading log's writer", logged(db),
                double(t.nsecsElapsed()) / 1e9);
    if (db.shared())
        std::printf("\n");
    else
        std::printf(" (%.0f MB)\n", double(QFileInfo(db.filePath()).size()) / 1e6);
    return true;
}

double seconds(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e9;
}

// "显示", paging and export on the dialog over `db`.
void measure(const RecordDb &db, const QString &folder)
{
    std::printf("Reading log: %lld rows in %s\n", logged(db), qPrintable(db.shownName()));
    const auto before = memoryMb();

    SilentOperator op;
    SystemClock clock;
    Dialog2 dlg(db, op, clock, folder);
    dlg.show();
    QApplication::processEvents();
    const QDate day = FirstDay.addDays(Days / 2);
    dlg.findChild<QLineEdit *>(QStringLiteral("Text1_0"))->setText(history::dateText(day));
    dlg.findChild<QLineEdit *>(QStringLiteral("Text1_1"))->setText(history::dateText(day.addDays(1)));
    dlg.findChild<QLineEdit *>(QStringLiteral("Text2"))->setText(QStringLiteral("0"));
    auto *grid = dlg.findChild<QTableView *>(QStringLiteral("dataValue"));
    auto *text3 = dlg.findChild<QPlainTextEdit *>(QStringLiteral("Text3"));
    auto *show = dlg.findChild<QPushButton *>(QStringLiteral("OKButton"));
    const QString done = QString::fromUtf8(texts::history::ResultAfter);

    for (int round = 1; round <= 3; ++round) {
        double firstRows = -1, resultLine = -1;
        QElapsedTimer t;
        QMetaObject::Connection c1 = QObject::connect(&dlg.model(), &QAbstractItemModel::rowsInserted, [&] {
            if (firstRows < 0)
                firstRows = seconds(t);
        });
        QMetaObject::Connection c2 = QObject::connect(text3, &QPlainTextEdit::textChanged, [&] {
            if (resultLine < 0 && text3->toPlainText().endsWith(done))
                resultLine = seconds(t);
        });
        t.start();
        show->click();
        QApplication::processEvents();
        grid->viewport()->repaint();
        const double painted = seconds(t);
        QObject::disconnect(c1);
        QObject::disconnect(c2);
        std::printf(
            "  show %d, one day of all devices (%lld readings): first rows %.3f s, result line %.3f s, "
            "first rows painted %.3f s (goals: under 0.5 s and 1 s)\n",
            round, dlg.model().count(), firstRows, resultLine, painted);
    }
    {
        // The operator scrolls to the end: the view asks for one page each time it reaches the end.
        QElapsedTimer t;
        t.start();
        int pages = 0;
        double slowest = 0;
        int viewAsked = 0;
        while (dlg.model().canFetchMore({})) {
            const int rows = dlg.model().rowCount();
            QElapsedTimer p;
            p.start();
            grid->scrollToBottom();
            QApplication::processEvents();
            if (dlg.model().rowCount() == rows)
                dlg.model().fetchMore({}); // the view did not ask this time
            else
                ++viewAsked;
            slowest = std::max(slowest, seconds(p));
            ++pages;
        }
        const auto mem = memoryMb();
        std::printf("  scrolled to the end: %d rows in %d more pages (%d asked by the view), %.3f s, "
                    "slowest page with its repaint %.3f s\n",
                    dlg.model().rowCount(), pages, viewAsked, seconds(t), slowest);
        std::printf("  resident memory: %.0f MB before the dialog, %.0f MB with all rows shown, peak %.0f MB "
                    "(goal: under 200 MB)\n",
                    before.first, mem.first, mem.second);
    }
    {
        const history::Aliases aliases = history::aliasTable(db.deviceList());
        const SnapshotResult snap = db.snapshot({day.startOfDay(), day.addDays(1).startOfDay(), 0, {}});
        const QString path = QDir(folder).filePath(QStringLiteral("export.txt"));
        for (int round = 1; round <= 2; ++round) {
            QElapsedTimer t;
            t.start();
            const ExportResult r = HistoryExport(db, snap.value, aliases).writeTo(path, true);
            std::printf("  export %d: %lld readings, %.1f MB, %.3f s (goal: under 1 s)%s\n", round, r.value,
                        double(QFileInfo(path).size()) / 1e6, seconds(t), r.ok ? "" : qPrintable(r.error));
        }
        QFile::remove(path);
    }
    {
        QElapsedTimer t;
        t.start();
        dlg.findChild<QLineEdit *>(QStringLiteral("Text1_0"))->setText(history::dateText(FirstDay));
        dlg.findChild<QLineEdit *>(QStringLiteral("Text1_1"))
            ->setText(history::dateText(FirstDay.addDays(Days)));
        dlg.findChild<QLineEdit *>(QStringLiteral("Text2"))->setText(QStringLiteral("17"));
        show->click();
        std::printf("  show of device 17 over %d days (%lld readings): result line %.3f s\n", Days,
                    dlg.model().count(), seconds(t));
    }
    std::printf("  resident memory at the end: %.0f MB, peak %.0f MB\n", memoryMb().first, memoryMb().second);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/kestrel-bench-history");
    QDir().mkpath(folder);
    {
        const RecordDb db(folder);
        if (!buildLog(db))
            return 1;
        measure(db, folder);
    }
    test::PgServer pg;
    if (!pg.start(true)) {
        std::printf("PostgreSQL: %s\n", qPrintable(pg.skipReason()));
        return 0;
    }
    QTemporaryDir local;
    const RecordDb shared(local.path(), {pg.url(pg.freshDatabase()), QStringLiteral("bench")});
    if (!buildLog(shared))
        return 1;
    measure(shared, local.path());
    return 0;
}
