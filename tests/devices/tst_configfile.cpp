// Polling configuration files: what is written, what is taken back, and what a damaged file does.
#include "common/recordingoperator.h"
#include "devices/configfile.h"
#include "devices/settingstexts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace kestrel;

namespace {

QString t8(const char *s) { return QString::fromUtf8(s); }

// Before each test every address carries values a loaded file must visibly replace (or leave):
// range 11..12, interval 4 min 4 s, saving off, every entry 7,7,0,"old".
struct Fixture {
    QTemporaryDir dir;
    test::RecordingOperator op;
    PollSettings settings;
    DeviceTable table;

    Fixture()
    {
        for (int a = 1; a <= 255; ++a)
            table.at(a) = {7, 7, 0, QStringLiteral("old"), QStringLiteral("alias")};
        table.PollStart = 11;
        table.PollEnd = 12;
        settings.PollMinutes = settings.PollSeconds = 4;
    }
    QString write(const QString &name, const QByteArray &bytes) const
    {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() ? f.fileName() : QString();
    }
    QByteArray read(const QString &name) const
    {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    ConfigLoad load(const QString &file)
    {
        op.openAnswers << file;
        return loadConfiguration(op, dir.path(), settings, table);
    }
    bool save(const QString &name)
    {
        op.saveAnswers << name;
        return saveConfiguration(op, dir.path(), settings, table);
    }
};

// A file for 1..5 (8 lines) with interval 90, written the way the program writes it (温度 in GBK).
const QByteArray FiveDevices = "True\r\n1,5\r\n1,30\r\n0,2,0,RH\r\n33,3,0,T+RH\r\n0,0,1,\xCE\xC2\xB6\xC8\r\n"
                               "49,13,0,T+RH+CO2\r\n81,27,0,PM2.5\r\n";

// Lines joined by "|", each ended by CR LF.
QByteArray ini(const char *lines) { return QByteArray(lines).replace('|', "\r\n") + "\r\n"; }

} // namespace

class TstConfigFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void saveLoadRoundTrip()
    {
        Fixture f; // a file loaded and saved again is the same bytes; the alias is not part of it
        QCOMPARE(f.load(f.write(QStringLiteral("in.ini"), FiveDevices)), ConfigLoad::Complete);
        QVERIFY(f.save(QStringLiteral("out"))); // the name is used as typed: no extension added
        QVERIFY(f.op.messages.isEmpty() && f.op.askedFolders == QStringList(2, f.dir.path()));
        QCOMPARE(f.read(QStringLiteral("out")), FiveDevices);
        QCOMPARE(f.table.at(1).alias, QStringLiteral("alias"));
        // Saving off, whole minutes, one device.
        f.settings.SaveEnabled = false;
        f.settings.setInterval(120);
        f.table.PollStart = f.table.PollEnd = 3;
        QVERIFY(f.save(QStringLiteral("one.ini")));
        QCOMPARE(f.read(QStringLiteral("one.ini")),
                 QByteArray("False\r\n3,3\r\n2,0\r\n0,0,1,\xCE\xC2\xB6\xC8\r\n"));
    }

    void load_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("result");
        // Afterwards: SaveEnabled, PollStart, PollEnd, PollMinutes, PollSeconds, address lines
        // taken, type name of address 1 (see the fixture for the values before).
        QTest::addColumn<QString>("after");
        using L = ConfigLoad;
        QByteArray lf = FiveDevices, fourOfFive = FiveDevices;
        lf.replace("\r\n", "\n");
        fourOfFive.chop(int(qstrlen("81,27,0,PM2.5\r\n")));
        QTest::newRow("complete") << FiveDevices << int(L::Complete) << "1 1 5 1 30 5 RH";
        QTest::newRow("LF ends") << lf << int(L::Complete) << "1 1 5 1 30 5 RH";
        QTest::newRow("UTF-8 mark, Chinese name")
            << "\xEF\xBB\xBF" + ini("false|1,1|0,5|0,1,0,\xE6\xB8\xA9\xE5\xBA\xA6") << int(L::Complete)
            << "0 1 1 0 5 1 温度";
        QTest::newRow("number 1 is true, name trimmed")
            << ini("1|1,1|2,0|0,1,0,  CO2 ,x") << int(L::Complete) << "1 1 1 2 0 1 CO2";
        // Line 1 neither boolean nor number: the file is refused untouched.
        QTest::newRow("line 1") << ini("[.ShellClassInfo]|1,1|0,5|0,1,0,") << int(L::Refused)
                                << "0 11 12 4 4 0 old";
        // The range and the interval are taken before they are checked.
        QTest::newRow("range 3,2") << ini("True|3,2|0,5") << int(L::Refused) << "1 3 2 4 4 0 old";
        QTest::newRow("end 256") << ini("True|1,256|0,5") << int(L::Refused) << "1 1 256 4 4 0 old";
        QTest::newRow("seconds 61") << ini("True|1,1|0,61|0,1,0,") << int(L::Refused) << "1 1 1 0 61 0 old";
        QTest::newRow("interval 0") << ini("True|1,1|0,0|0,1,0,") << int(L::Refused) << "1 1 1 0 0 0 old";
        QTest::newRow("line 3 missing") << ini("True|1,1") << int(L::Refused) << "1 1 1 4 4 0 old";
        // Address lines: reading stops at the first bad one; the rest keep their old entries.
        QTest::newRow("ends early") << fourOfFive << int(L::Partial) << "1 1 5 1 30 4 RH";
        QTest::newRow("byte above 255")
            << ini("True|1,3|0,5|0,1,0,a|0,256,0,b|0,1,0,c") << int(L::Partial) << "1 1 3 0 5 1 a";
    }
    void load()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, result);
        QFETCH(QString, after);
        Fixture f;
        f.settings.ConfigLoaded = true; // from an earlier load in the same dialog
        const ConfigLoad r = f.load(f.write(QStringLiteral("x.ini"), bytes));
        QCOMPARE(int(r), result);
        QCOMPARE(f.op.texts(), r == ConfigLoad::Refused ? QStringList{t8("配置文件有错\r\n请重新设置参数！")}
                                                        : QStringList());
        QCOMPARE(f.settings.ConfigLoaded, r == ConfigLoad::Complete);
        int changed = 0;
        for (int a = 1; a <= 255; ++a)
            changed += f.table.at(a).typeName != u"old"_qs;
        QCOMPARE(QString::asprintf("%d %d %d %d %d %d ", f.settings.SaveEnabled, f.table.PollStart,
                                   f.table.PollEnd, f.settings.PollMinutes, f.settings.PollSeconds, changed) +
                     f.table.at(1).typeName,
                 after);
        if (r == ConfigLoad::Partial) // the entries after the last line read keep every old value
            QCOMPARE(f.table.at(changed + 1).mixpro, uint8_t(7));
    }

    void nothingToLoadOrSave()
    {
        Fixture f;
        f.settings.ConfigLoaded = true;
        QCOMPARE(loadConfiguration(f.op, f.dir.path(), f.settings, f.table), ConfigLoad::NoFile);
        QVERIFY(!f.settings.ConfigLoaded);
        QVERIFY(!saveConfiguration(f.op, f.dir.path(), f.settings, f.table));
        QCOMPARE(f.op.texts(), (QStringList{t8("请选择配置文件！"), t8("请输入文件名！")}));
        // A folder in place of the file can be neither read nor written.
        QDir(f.dir.path()).mkdir(QStringLiteral("sub.ini"));
        QCOMPARE(f.load(f.dir.filePath("sub.ini")), ConfigLoad::Unreadable);
        QVERIFY(!f.save(QStringLiteral("sub.ini")));
        const QString shown = QDir::toNativeSeparators(f.dir.filePath("sub.ini"));
        QCOMPARE(f.op.texts().mid(2), (QStringList{t8(settingstexts::ConfigFileUnreadable) + shown,
                                                   t8(settingstexts::ConfigFileUnwritable) + shown}));
        QCOMPARE(f.table.PollStart, 11);
    }
};

QTEST_GUILESS_MAIN(TstConfigFile)
#include "tst_configfile.moc"
