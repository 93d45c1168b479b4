// The history dialog on a Record.mdb filled through the reading log's own writer: the range and
// address questions, the refusals, the pages of a large result fixed at "显示", the export file
// byte for byte, and the dialog opened from the main window and worked through its widgets.
#include "common/tr8.h"
#include "common/manualtime.h"
#include "common/recordingoperator.h"
#include "history/historyexport.h"
#include "history/historymodel.h"
#include "history/historyquery.h"
#include "history/texts.h"
#include "link/qtserialport.h"
#include "recording/recorddb.h"
#include "station/station.h"
#include "ui/dialog2.h"
#include "ui/frmroughin.h"

#include <QAbstractItemModelTester>
#include <QCryptographicHash>
#include <QStringEncoder>
#include <QtTest>
#include <QtWidgets>

using namespace kestrel;
using namespace kestrel::texts::history;
using test::RecordingOperator;

namespace {

// A time on a day of December 2026 (day 0 is 30 November).
qint64 at(int day, const char *time)
{
    return QDateTime(QDate(2026, 12, 1).addDays(day - 1), QTime::fromString(QString::fromLatin1(time)))
        .toSecsSinceEpoch();
}

// Readings around 1–3 December, logged out of order: address 5 named, 7 never named.
const std::vector<LogRow> Logged = {
    {at(2, "23:59:59"), 235, 5, "T"},      {at(0, "23:59:59"), 1, 5, "T"},
    {at(1, "00:00:00"), 230, 5, "T"},      {at(1, "00:00:00"), 456, 5, "RH"},
    {at(1, "12:00:00"), 800, 3, "CO2"},    {at(3, "00:00:00"), 801, 3, "CO2"},
    {at(2, "08:00:00"), 65486, 7, "PM25"},
};

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A data base filled through the reading log's writer, and the dialog's core on it.
struct Rig {
    QTemporaryDir dir;
    RecordDb db{dir.path()};
    RecordingOperator op;
    HistoryModel model{db};
    HistoryQuery query{db, op, model, dir.path()};
    QString text3, text2;

    Rig()
    {
        db.check();
        db.appendReadings(Logged);
        db.setAlias(5, QStringLiteral("温度计"));
        QObject::connect(&query, &HistoryQuery::text3Changed, [this](const QString &t) { text3 = t; });
        QObject::connect(&query, &HistoryQuery::text2Changed, [this](const QString &t) { text2 = t; });
    }
    QStringList shown()
    {
        while (model.canFetchMore({}))
            model.fetchMore({});
        QStringList rows;
        for (int r = 0; r < model.rowCount(); ++r) {
            QStringList cols;
            for (int c = 0; c < HistoryModel::Columns; ++c)
                cols << model.index(r, c).data().toString();
            rows << cols.join('|');
        }
        return rows;
    }
    QByteArray hash() { return QCryptographicHash::hash(fileBytes(db.filePath()), QCryptographicHash::Sha1); }
};

QString resultLine(int n)
{
    return tr8(ShowNoteHeading) + "\r\n" + tr8(NoteTenfold) + "\r\n" + tr8(NoteHundredfold) +
           tr8(NoteOthers) + "\r\n" + tr8(ResultBefore) + QString::number(n) + tr8(ResultAfter);
}

} // namespace

class TstHistory : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void show_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("rows");
        const QString t5a = "2026-12-01 00:00:00|230|T|5|温度计", t5b = "2026-12-01 00:00:00|456|RH|5|温度计",
                      t5c = "2026-12-02 23:59:59|235|T|5|温度计", t3 = "2026-12-01 12:00:00|800|CO2|3|",
                      t7 = "2026-12-02 08:00:00|65486|PM25|7|";
        QTest::newRow("all devices, by address then time") << "2026-12-01"
                                                           << "2026-12-03"
                                                           << "0" << QStringList{t3, t5a, t5b, t5c, t7};
        QTest::newRow("device 5 by time") << "2026-12-01"
                                          << "2026-12-03"
                                          << "5" << QStringList{t5a, t5b, t5c};
        QTest::newRow("slashes, one digit, blanks") << " 2026/12/1"
                                                    << "2026/12/2 "
                                                    << "0" << QStringList{t3, t5a, t5b};
        QTest::newRow("end day excluded") << "2026-12-2"
                                          << "2026-12-3"
                                          << "5" << QStringList{t5c};
    }
    void show()
    {
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(QString, address);
        QFETCH(QStringList, rows);
        Rig r;
        QAbstractItemModelTester tester(&r.model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        r.query.OKButton_Click(start, end, address);
        QCOMPARE(r.op.texts(), QStringList());
        QCOMPARE(r.shown(), rows);
        QCOMPARE(r.text3, resultLine(rows.size()));
    }

    // Every refusal comes with its message and leaves the file as it was.
    void refusals_data()
    {
        QTest::addColumn<bool>("exporting");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("text2");
        const QString none = tr8(NothingFound);
        QTest::newRow("show, empty range") << false << "2026-11-01"
                                           << "0" << none << "";
        QTest::newRow("export, empty range") << true << "2026-11-01"
                                             << "9" << none + "\r\n" + tr8(ChooseAgain) << "";
        QTest::newRow("no address") << false << "2026-12-01"
                                    << "" << tr8(AddressEmpty) << "0";
        QTest::newRow("a blank address") << true << "2026-12-01"
                                         << " " << tr8(AddressEmpty) << "0";
        for (const char *bad : {"2026-13-45", "abc", "2026-12-1' OR '1'='1", "2026-02-30"})
            QTest::newRow(bad) << false << bad << "0" << tr8(BadStartDate).arg(bad) << "";
    }
    void refusals()
    {
        QFETCH(bool, exporting);
        QFETCH(QString, start);
        QFETCH(QString, address);
        QFETCH(QString, message);
        QFETCH(QString, text2);
        Rig r;
        const QString end = start.startsWith("2026-11") ? "2026-11-30" : "2026-12-03";
        const QByteArray before = r.hash();
        if (exporting)
            r.query.CancelButton_Click(start, end, address);
        else
            r.query.OKButton_Click(start, end, address);
        QCOMPARE(r.op.texts(), QStringList{message});
        QCOMPARE(r.text2, text2);
        QCOMPARE(r.op.askedFolders, QStringList()); // no file dialog
        QCOMPARE(r.model.rowCount(), 0);
        QCOMPARE(r.hash(), before);
    }

    // Two readings, one of them of a device without a name: nine lines, GBK, CR LF.
    void exportFile()
    {
        Rig r;
        const QString path = r.dir.filePath("导出.txt");
        r.op.saveAnswers << path;
        r.query.CancelButton_Click("2026-12-02", "2026-12-03", "0");
        QCOMPARE(r.op.texts(), QStringList());
        const QString expected =
            QStringLiteral("导出数据说明：\r\n"
                           "温湿度、一氧化碳、甲醛、硫化氢、氨气、二氧化氮数据为实际值的10倍.\r\n"
                           "氧气、臭氧为实际值的100倍.其它则为实际值.\r\n"
                           "\r\n"
                           "当前导出2条数据.\r\n"
                           "\r\n"
                           "读取时间\t\t\t数据\t\t\t类型\t\t\t设备地址\t\t\t设备名称\r\n"
                           "2026-12-02 23:59:59\t\t\t235\t\t\tT\t\t\t5\t\t\t温度计\r\n"
                           "2026-12-02 08:00:00\t\t\t65486\t\t\tPM25\t\t\t7\t\t\t\r\n");
        QCOMPARE(fileBytes(path), QStringEncoder("GBK").encode(expected));
        QCOMPARE(r.op.askedFolders, QStringList{r.dir.path()});
        QCOMPARE(r.text3, tr8(ExportDone) + "\r\n" + tr8(SavedIn) + QDir::toNativeSeparators(path));
        // Without a file name nothing is written.
        r.query.CancelButton_Click("2026-12-01", "2026-12-03", "0");
        QCOMPARE(r.op.texts(), QStringList{tr8(NoFileName)});
        QCOMPARE(fileBytes(path), QStringEncoder("GBK").encode(expected));
    }

    // Pages follow one another without gap or repetition, and readings logged after "显示"
    // belong to the next show only.
    void pagesKeepTheShownResult()
    {
        Rig r;
        std::vector<LogRow> many;
        for (int i = 0; i < 2 * HistoryModel::PageSize; ++i)
            for (int a : {9, 4})
                many.push_back({at(1, "06:00:00") + i / 4, uint16_t(i), a, i % 2 ? "T" : "RH"});
        QVERIFY(r.db.appendReadings(many).ok);
        r.query.OKButton_Click("2026-12-01", "2026-12-02", "0");
        const int n = 3 + int(many.size());
        QCOMPARE(r.model.count(), n);
        QCOMPARE(r.model.rowCount(), HistoryModel::PageSize);
        // Logged meanwhile: readings inside the range, of addresses before, among and after the shown ones.
        QVERIFY(r.db.appendReadings({{at(1, "06:20:00"), 60001, 4, "T"},
                                     {at(1, "01:00:00"), 60002, 1, "T"},
                                     {at(1, "23:00:00"), 60003, 200, "T"},
                                     {at(1, "06:05:00"), 60004, 9, "T"}})
                    .ok);
        // The tester fetches every page as it checks the model.
        QAbstractItemModelTester tester(&r.model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QStringList rows = r.shown();
        QCOMPARE(rows.size(), n);
        QCOMPARE(rows.filter(QRegularExpression("\\|6000[1-4]\\|")), QStringList());
        QCOMPARE(rows.last(), "2026-12-01 06:08:19|1999|T|9|");
        QCOMPARE(r.text3, resultLine(n));
        QStringList sorted = rows;
        std::stable_sort(sorted.begin(), sorted.end(), [](const QString &x, const QString &y) {
            const QStringList a = x.split('|'), b = y.split('|');
            return std::make_pair(a[3].toInt(), a[0]) < std::make_pair(b[3].toInt(), b[0]);
        });
        QCOMPARE(rows, sorted); // by address, then time
        QCOMPARE(QStringList(rows).removeDuplicates(), 0);
        r.query.OKButton_Click("2026-12-01", "2026-12-02", "0");
        QCOMPARE(r.shown().size(), n + 4);
    }

    // The dialog from the main window's button: the calendars, the address box, show and export.
    void dialogOnTheMainWindow()
    {
        QTemporaryDir dir;
        RecordDb db(dir.path());
        db.check();
        db.appendReadings(Logged);
        test::ManualTime time;
        PortMap map;
        map.set(3, QStringLiteral("/nonexistent/kestrel-tty"));
        QtSerialPort port(map);
        RecordingOperator op;
        Station station(port, op, time, time, dir.path());
        frmroughin window(station);
        window.show();
        QTest::mouseClick(window.findChild<QPushButton *>("cmdOD"), Qt::LeftButton);
        auto *dlg = window.findChild<Dialog2 *>("Dialog2");
        QVERIFY(dlg && dlg->isVisible());
        QCOMPARE(dlg->windowTitle(), tr8(Caption));
        QVERIFY(!dlg->isModal());
        auto *start = dlg->findChild<QLineEdit *>("Text1_0");
        auto *end = dlg->findChild<QLineEdit *>("Text1_1");
        auto *address = dlg->findChild<QLineEdit *>("Text2");
        auto *cal0 = dlg->findChild<QCalendarWidget *>("Calendar1_0");
        auto *cal1 = dlg->findChild<QCalendarWidget *>("Calendar1_1");
        QCOMPARE(start->text(), "2026-12-06"); // the clock's date
        QCOMPARE(cal1->selectedDate(), QDate(2026, 12, 6));
        QTest::mouseClick(end, Qt::LeftButton);
        QCOMPARE(std::make_pair(cal0->isVisible(), cal1->isVisible()), std::make_pair(false, true));
        QTest::mouseClick(start, Qt::LeftButton);
        QCOMPARE(std::make_pair(cal0->isVisible(), cal1->isVisible()), std::make_pair(true, false));
        cal0->setSelectedDate(QDate(2026, 12, 1));
        Q_EMIT cal0->clicked(QDate(2026, 12, 1));
        QCOMPARE(start->text(), "2026-12-01");
        end->setText("2026/12/3");
        // The address box takes digits only and refuses more than 255.
        address->selectAll();
        QTest::keyClicks(address, "2x56");
        QCOMPARE(address->text(), "1");
        QCOMPARE(op.texts(), QStringList{tr8(AddressTooLarge)});
        address->setText("0");
        db.setAlias(5, "温度计"); // named while the dialog is open
        QTest::mouseClick(dlg->findChild<QPushButton *>("OKButton"), Qt::LeftButton);
        auto *grid = dlg->findChild<QTableView *>("dataValue");
        QCOMPARE(grid->model()->rowCount(), 5);
        QCOMPARE(grid->model()->index(1, HistoryModel::Name).data().toString(), "温度计");
        QCOMPARE(grid->model()->headerData(3, Qt::Horizontal).toString(), tr8(HeaderAddress));
        QVERIFY(grid->columnWidth(0) >= 120); // 1800 twips, or what the whole time needs
        QVERIFY(grid->columnWidth(0) > grid->fontMetrics().horizontalAdvance("2026-12-01 12:00:00"));
        QCOMPARE(dlg->findChild<QPlainTextEdit *>("Text3")->toPlainText(),
                 resultLine(5).replace("\r\n", "\n"));
        if (const QString shots = qEnvironmentVariable("KESTREL_SCREENSHOTS"); !shots.isEmpty()) {
            cal0->hide();
            dlg->layout()->activate();
            QVERIFY(dlg->grab().save(QDir(shots).filePath("history-dialog.png")));
        }
        op.saveAnswers << dir.filePath("out.txt");
        QTest::mouseClick(dlg->findChild<QPushButton *>("CancelButton"), Qt::LeftButton);
        QCOMPARE(fileBytes(dir.filePath("out.txt")).count("\r\n"), 12);
        QVERIFY(dlg->findChild<QPlainTextEdit *>("Text3")->toPlainText().startsWith(tr8(ExportDone) + "\n"));
        // A second click of the button shows the same dialog with its result.
        dlg->hide();
        QTest::mouseClick(window.findChild<QPushButton *>("cmdOD"), Qt::LeftButton);
        QCOMPARE(window.findChildren<Dialog2 *>().size(), 1);
        QCOMPARE(grid->model()->rowCount(), 5);
    }
};

QTEST_MAIN(TstHistory)
#include "tst_history.moc"
