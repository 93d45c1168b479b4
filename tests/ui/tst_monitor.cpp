// The traffic monitor offscreen: opened from the maintenance menu while a simulated bus with one
// faulty device is polled, its frame list, filter, statistics and diagnostic log read through the
// widgets; its export compared byte for byte for a known sequence.
#include "common/log.h"
#include "common/manualtime.h"
#include "common/stationrig.h"
#include "dialog.h"
#include "link/trafficmodel.h"
#include "ui/frmroughin.h"
#include "ui/monitor.h"

#include "devices/devicegrid.h"

#include <QtTest>
#include <QtWidgets>

using namespace kestrel;
using test::ManualTime;
using test::StationRig;

namespace {
void screenshot(QWidget *w, const QString &name)
{
    const QString dir = qEnvironmentVariable("KESTREL_SCREENSHOTS");
    if (!dir.isEmpty())
        QVERIFY(w->grab().save(QDir(dir).filePath(name)));
}

// Device 2 answers every request with a bad CRC; 4 has gone quiet.
const char *kBus = "1 33 3 230415 0001 17 set=2:215 set=3:456\n"
                   "2 0 6 230415 0002 17 badcrc\n"
                   "3 49 9 230415 0003 17\n"
                   "4 0 6 230415 0004 17 silent\n";

TrafficRecord record(int address, const QByteArray &request, int sentMs, int responseMs,
                     const QByteArray &reply, Verdict v)
{
    TrafficRecord r;
    r.sentAt = QDateTime(QDate(2026, 12, 6), QTime(10, 0)).addMSecs(sentMs);
    r.receivedAt = r.sentAt.addMSecs(responseMs);
    r.request = QByteArray::fromHex(request);
    r.reply = QByteArray::fromHex(reply);
    r.address = uint8_t(address);
    r.function = 3;
    r.verdict = v;
    return r;
}

QStringList column(const QAbstractItemModel *m, int c)
{
    QStringList cells;
    for (int r = 0; r < m->rowCount(); ++r)
        cells << m->data(m->index(r, c)).toString();
    return cells;
}
} // namespace

class TstMonitor : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pollingAFaultyBusWhileOpen()
    {
        ManualTime time;
        STATION_RIG(StationRig, r, QString::fromLatin1(kBus), time, time, {QStringLiteral("--fixed")});
        const uint8_t codes[][2] = {{33, 3}, {0, 6}, {49, 9}, {0, 6}};
        for (int a = 1; a <= 4; ++a) { // types known, as a loaded configuration would say
            s.devices.at(a).mixpro = codes[a - 1][0];
            s.devices.at(a).protype = codes[a - 1][1];
        }
        frmroughin w(s);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.findChild<QAction *>(QStringLiteral("mnuMonitor"))->trigger();
        auto *monitor = w.findChild<TrafficMonitor *>(QStringLiteral("frmMonitor"));
        QVERIFY(monitor && monitor->isVisible());
        QVERIFY(monitor->isWindow());

        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("cmdLoopR")), Qt::LeftButton);
        Dialog *dialog = nullptr;
        QTRY_VERIFY((dialog = w.findChild<Dialog *>()) && dialog->isVisible());
        dialog->findChild<QLineEdit *>(QStringLiteral("txtloopAdd_0"))->setText(QStringLiteral("1"));
        dialog->findChild<QLineEdit *>(QStringLiteral("txtloopAdd_1"))->setText(QStringLiteral("4"));
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("OKButton")), Qt::LeftButton);
        // Two passes over 1..4, each read a second after the one before; 4 makes the first 3 s longer
        // and the second ends in its wait.
        time.advance(100 + 7 * 1000 + Exchange::TimeLimitMs);
        s.polling.stop();
        appendLog(QStringLiteral("a handled failure"));
        time.advance(TrafficMonitor::RefreshMs);

        // The statistics: each device asked twice; 2's replies all refused, 4 never answers.
        monitor->findChild<QTabWidget *>()->setCurrentIndex(1);
        auto *stats = monitor->findChild<QTableView *>(QStringLiteral("statsView"))->model();
        QCOMPARE(column(stats, TrafficStatsModel::Address), (QStringList{"1", "2", "3", "4"}));
        QCOMPARE(column(stats, TrafficStatsModel::Requests), (QStringList{"2", "2", "2", "2"}));
        QCOMPARE(column(stats, TrafficStatsModel::Replies), (QStringList{"2", "2", "2", "0"}));
        QCOMPARE(column(stats, TrafficStatsModel::FirstVerdict),
                 (QStringList{"0", "0", "0", "2"})); // time-outs
        QCOMPARE(column(stats, TrafficStatsModel::FirstVerdict + 1),
                 (QStringList{"0", "2", "0", "0"})); // CRC

        auto *frames = monitor->findChild<QTableView *>(QStringLiteral("frameView"))->model();
        QCOMPARE(frames->rowCount(), 16); // 8 requests, 8 replies or time-outs
        QCOMPARE(column(frames, TrafficModel::VerdictColumn).count(QStringLiteral("正常")), 4);
        QCOMPARE(column(frames, TrafficModel::VerdictColumn).count(QStringLiteral("超时")), 2);
        monitor->findChild<QSpinBox *>(QStringLiteral("monitorAddress"))->setValue(2);
        QCOMPARE(column(frames, TrafficModel::Address), QStringList(4, QStringLiteral("2")));
        QCOMPARE(column(frames, TrafficModel::Direction), (QStringList{"发送", "接收", "发送", "接收"}));
        QCOMPARE(column(frames, TrafficModel::VerdictColumn), (QStringList{"", "CRC错误", "", "CRC错误"}));
        QCOMPARE(frames->data(frames->index(1, 0), Qt::ForegroundRole).value<QBrush>().color(),
                 QColor(Qt::red));
        QVERIFY(!frames->data(frames->index(0, 0), Qt::ForegroundRole).isValid());

        // The grid's old rows and their tooltips: the cause for a device whose last exchange failed; none
        // for a live one.
        auto *grid = w.findChild<QTableView *>(QStringLiteral("grid"));
        const auto tooltip = [grid](int row) {
            const QRect cell = grid->visualRect(grid->model()->index(row, 0));
            QHelpEvent e(QEvent::ToolTip, cell.center(), grid->viewport()->mapToGlobal(cell.center()));
            QCoreApplication::sendEvent(grid->viewport(), &e);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        const auto state = [grid](int row) {
            return grid->model()->index(row, 0).data(DeviceGrid::RowStateRole).toInt();
        };
        QCOMPARE(state(1), int(DeviceGrid::RowState::Live));
        QCOMPARE(state(4), int(DeviceGrid::RowState::Old)); // drawn grey
        QCOMPARE(tooltip(1), QString());
        QCOMPARE(tooltip(4), QStringLiteral("超时，最后正常读数：无"));
        QCOMPARE(tooltip(2), QStringLiteral("CRC错误，最后正常读数：无"));

        auto *log = monitor->findChild<QListWidget *>(QStringLiteral("logList"));
        QVERIFY(log->item(0)->text().endsWith(QStringLiteral(" a handled failure")));

        monitor->findChild<QTabWidget *>()->setCurrentIndex(0);
        monitor->findChild<QSpinBox *>(QStringLiteral("monitorAddress"))->setValue(0);
        screenshot(monitor, QStringLiteral("monitor.png"));
        monitor->findChild<QTabWidget *>()->setCurrentIndex(1);
        screenshot(monitor, QStringLiteral("monitor-statistics.png"));

        QTest::mouseClick(monitor->findChild<QPushButton *>(QStringLiteral("cmdMonitorReset")),
                          Qt::LeftButton);
        QCOMPARE(stats->rowCount(), 0);
    }

    // Pause holds the list; clear empties it; closed, the monitor takes nothing.
    void pauseClearAndClosed()
    {
        ManualTime time;
        Traffic traffic;
        test::RecordingOperator op;
        TrafficMonitor m(traffic, op, time, QString());
        m.show();
        auto *frames = m.findChild<QTableView *>(QStringLiteral("frameView"))->model();
        traffic.add(record(1, "010300020002", 0, 20, "", Verdict::Timeout));
        time.advance(TrafficMonitor::RefreshMs);
        QCOMPARE(frames->rowCount(), 2);
        auto *pause = m.findChild<QPushButton *>(QStringLiteral("cmdMonitorPause"));
        QTest::mouseClick(pause, Qt::LeftButton);
        QCOMPARE(pause->text(), QStringLiteral("继续"));
        traffic.add(record(1, "010300020002", 0, 20, "", Verdict::Timeout));
        time.advance(TrafficMonitor::RefreshMs);
        QCOMPARE(frames->rowCount(), 2);
        QTest::mouseClick(pause, Qt::LeftButton);
        time.advance(TrafficMonitor::RefreshMs);
        QCOMPARE(frames->rowCount(), 4);
        QTest::mouseClick(m.findChild<QPushButton *>(QStringLiteral("cmdMonitorClear")), Qt::LeftButton);
        QCOMPARE(frames->rowCount(), 0);
        m.hide();
        traffic.add(record(1, "010300020002", 0, 20, "", Verdict::Timeout));
        time.advance(10 * TrafficMonitor::RefreshMs);
        QCOMPARE(frames->rowCount(), 0);
    }

    void exportIsGbkWithCrLf()
    {
        ManualTime time;
        Traffic traffic;
        test::RecordingOperator op;
        QTemporaryDir dir;
        TrafficMonitor m(traffic, op, time, dir.filePath(QStringLiteral("export")));
        traffic.add(record(1, "010300020002 65cb", 0, 25, "01030400d701c8 4a0d", Verdict::Ok));
        traffic.add(record(2, "020300020002 65f8", 1000, 3000, "", Verdict::Timeout));
        m.show();
        const QString path = dir.filePath(QStringLiteral("frames.txt"));
        op.saveAnswers << path;
        QTest::mouseClick(m.findChild<QPushButton *>(QStringLiteral("cmdMonitorExport")), Qt::LeftButton);
        QCOMPARE(op.askedFolders, QStringList{dir.filePath(QStringLiteral("export"))});
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        // 时间 方向 地址 功能 数据 响应(ms) 结论; 发送, 接收, 正常, 超时
        const QByteArray expected =
            "\xca\xb1\xbc\xe4\t\xb7\xbd\xcf\xf2\t\xb5\xd8\xd6\xb7\t\xb9\xa6\xc4\xdc\t\xca\xfd\xbe\xdd\t"
            "\xcf\xec\xd3\xa6(ms)\t\xbd\xe1\xc2\xdb\r\n"
            "2026-12-06 10:00:00.000\t\xb7\xa2\xcb\xcd\t1\t03\t01 03 00 02 00 02 65 CB\t\t\r\n"
            "2026-12-06 10:00:00.025\t\xbd\xd3\xca\xd5\t1\t03\t01 03 04 00 D7 01 C8 4A "
            "0D\t25\t\xd5\xfd\xb3\xa3\r\n"
            "2026-12-06 10:00:01.000\t\xb7\xa2\xcb\xcd\t2\t03\t02 03 00 02 00 02 65 F8\t\t\r\n"
            "2026-12-06 10:00:04.000\t\xbd\xd3\xca\xd5\t2\t03\t\t3000\t\xb3\xac\xca\xb1\r\n";
        QCOMPARE(f.readAll(), expected);
        QVERIFY(op.messages.isEmpty());
    }
};

QTEST_MAIN(TstMonitor)
#include "tst_monitor.moc"
