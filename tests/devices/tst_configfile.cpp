// Polling configuration files: what is written, what is taken back, and what a damaged file does.
#include "common/recordingoperator.h"
#include "common/textfile.h"
#include "devices/configfile.h"
#include "devices/settingstexts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace kestrel;
using kestrel::test::RecordingOperator;

namespace {

const QString BadFile = QString::fromUtf8(settingstexts::ConfigFileBad);

// Every address carries values a loaded file must visibly replace (or leave).
void fillOld(DeviceTable &t)
{
    for (int a = DeviceTable::FirstAddress; a <= DeviceTable::LastAddress; ++a) {
        DeviceEntry &d = t.at(a);
        d.mixpro = 7;
        d.protype = 7;
        d.absent = 0;
        d.typeName = QStringLiteral("old");
        d.alias = QStringLiteral("alias");
    }
}

struct Fixture {
    QTemporaryDir dir;
    RecordingOperator op;
    PollSettings settings;
    DeviceTable table;

    Fixture()
    {
        fillOld(table);
        table.PollStart = 11;
        table.PollEnd = 12;
        settings.PollMinutes = 4;
        settings.PollSeconds = 4;
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    QString write(const QString &name, const QByteArray &bytes) const
    {
        QFile f(path(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write test file");
        return path(name);
    }
    QByteArray read(const QString &name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    ConfigLoad load(const QString &file)
    {
        op.openAnswers << file;
        return loadConfiguration(op, dir.path(), settings, table);
    }
};

// A file for 1..5 with interval 90, written the way the program writes it.
const QByteArray FiveDevices = "True\r\n"
                               "1,5\r\n"
                               "1,30\r\n"
                               "0,2,0,RH\r\n"
                               "33,3,0,T+RH\r\n"
                               "0,0,1,\r\n"
                               "49,13,0,T+RH+CO2\r\n"
                               "81,27,0,PM2.5\r\n";

} // namespace

class TstConfigFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void saveWritesGbkCrLf();
    void saveLoadRoundTrip_data();
    void saveLoadRoundTrip();
    void saveWithoutName();
    void saveUnwritable();
    void load_data();
    void load();
    void loadPartialKeepsOldEntries();
    void loadNoFile();
    void loadUnreadable_data();
    void loadUnreadable();
    void loadOnlyLooksAtTheBeginningOfAHugeFile();
};

void TstConfigFile::saveWritesGbkCrLf()
{
    Fixture f;
    f.settings.SaveEnabled = true;
    f.settings.setInterval(90);
    f.table.PollStart = 1;
    f.table.PollEnd = 5;
    const struct {
        int mixpro, protype, absent;
        const char *name;
    } devices[] = {
        {0, 2, 0, "RH"}, {33, 3, 0, "T+RH"}, {0, 0, 1, ""}, {49, 13, 0, "T+RH+CO2"}, {81, 27, 0, "PM2.5"},
    };
    for (int a = 1; a <= 5; ++a) {
        const auto &d = devices[a - 1];
        DeviceEntry &e = f.table.at(a);
        e.mixpro = static_cast<uint8_t>(d.mixpro);
        e.protype = static_cast<uint8_t>(d.protype);
        e.absent = static_cast<uint8_t>(d.absent);
        e.typeName = QString::fromUtf8(d.name);
    }
    f.op.saveAnswers << QStringLiteral("five");
    QVERIFY(saveConfiguration(f.op, f.dir.path(), f.settings, f.table));
    QVERIFY(f.op.messages.isEmpty());
    // The name is used as typed: no extension added.
    QVERIFY(QFile::exists(f.path("five")));
    QVERIFY(!QFile::exists(f.path("five.ini")));
    QCOMPARE(f.read("five"), FiveDevices);
    QCOMPARE(f.op.askedFolders, QStringList{f.dir.path()});

    // A Chinese type name goes out as GBK.
    f.table.at(3).typeName = QStringLiteral("温度");
    f.op.saveAnswers << QStringLiteral("gbk.ini");
    QVERIFY(saveConfiguration(f.op, f.dir.path(), f.settings, f.table));
    QVERIFY(f.read("gbk.ini").contains("0,0,1,\xCE\xC2\xB6\xC8\r\n"));
}

void TstConfigFile::saveLoadRoundTrip_data()
{
    QTest::addColumn<bool>("save");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QString>("line3");

    QTest::newRow("1..5, 90 s") << true << 1 << 5 << 90 << "1,30";
    QTest::newRow("one device, 1 s") << false << 5 << 5 << 1 << "0,1";
    QTest::newRow("whole minutes, 120 s") << true << 1 << 3 << 120 << "2,0";
    QTest::newRow("600 s") << false << 200 << 255 << 600 << "10,0";
    QTest::newRow("full bus") << true << 1 << 255 << 59 << "0,59";
}

void TstConfigFile::saveLoadRoundTrip()
{
    QFETCH(bool, save);
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(int, interval);
    QFETCH(QString, line3);

    Fixture f;
    f.settings.SaveEnabled = save;
    f.settings.setInterval(interval);
    f.table.PollStart = start;
    f.table.PollEnd = end;
    for (int a = start; a <= end; ++a) {
        DeviceEntry &e = f.table.at(a);
        e.mixpro = static_cast<uint8_t>(a % 3 == 0 ? 49 : 0);
        e.protype = static_cast<uint8_t>(a % 256);
        e.absent = static_cast<uint8_t>(a % 2);
        const QString names[] = {QString(), QStringLiteral("温湿度"), QStringLiteral("T+RH+CO2")};
        e.typeName = names[a % 3];
    }
    f.op.saveAnswers << QStringLiteral("a.ini");
    QVERIFY(saveConfiguration(f.op, f.dir.path(), f.settings, f.table));
    const QByteArray written = f.read("a.ini");
    const QStringList lines = readTextLines(written);
    QCOMPARE(lines.size(), 3 + end - start + 1);
    QCOMPARE(lines[2], line3);
    QVERIFY(written.endsWith("\r\n"));
    QCOMPARE(written.count("\r\n"), lines.size());

    Fixture g;
    QCOMPARE(g.load(f.path("a.ini")), ConfigLoad::Complete);
    QVERIFY(g.op.messages.isEmpty());
    QVERIFY(g.settings.ConfigLoaded);
    QCOMPARE(g.settings.SaveEnabled, save);
    QCOMPARE(g.table.PollStart, start);
    QCOMPARE(g.table.PollEnd, end);
    QCOMPARE(g.settings.intervalSeconds(), interval);
    for (int a = start; a <= end; ++a) {
        QCOMPARE(g.table.at(a).mixpro, f.table.at(a).mixpro);
        QCOMPARE(g.table.at(a).protype, f.table.at(a).protype);
        QCOMPARE(g.table.at(a).absent, f.table.at(a).absent);
        QCOMPARE(g.table.at(a).typeName, f.table.at(a).typeName);
        QCOMPARE(g.table.at(a).alias, QStringLiteral("alias")); // not part of the file
    }
    g.op.saveAnswers << QStringLiteral("b.ini");
    QVERIFY(saveConfiguration(g.op, g.dir.path(), g.settings, g.table));
    QCOMPARE(g.read("b.ini"), written);
}

void TstConfigFile::saveWithoutName()
{
    Fixture f;
    QVERIFY(!saveConfiguration(f.op, f.dir.path(), f.settings, f.table));
    QCOMPARE(f.op.texts(), QStringList{QString::fromUtf8(settingstexts::EnterFileName)});
    QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), QStringList());
}

void TstConfigFile::saveUnwritable()
{
    Fixture f;
    QDir(f.dir.path()).mkdir(QStringLiteral("sub.ini"));
    f.op.saveAnswers << f.path("sub.ini") << f.path("missing/folder/x.ini");
    for (int i = 0; i < 2; ++i) {
        QVERIFY(!saveConfiguration(f.op, f.dir.path(), f.settings, f.table));
        QCOMPARE(f.op.messages.size(), i + 1);
        QVERIFY(f.op.messages.last().text.startsWith(QString::fromUtf8(settingstexts::ConfigFileUnwritable)));
    }
    QVERIFY(QFileInfo(f.path("sub.ini")).isDir());
}

// Lines joined by "|", each ended by CR LF.
static QByteArray ini(const char *lines)
{
    return QByteArray(lines).replace('|', "\r\n") + "\r\n";
}

void TstConfigFile::load_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("message");
    // Afterwards: SaveEnabled, PollStart, PollEnd, PollMinutes, PollSeconds, address lines taken,
    // type name of address 1. Before each load: False, 11, 12, 4, 4, 0 and every entry 7,7,0,"old".
    QTest::addColumn<QString>("after");

    const auto row = [](const char *name, const QByteArray &bytes, ConfigLoad r, const char *after) {
        QTest::newRow(name) << bytes << int(r) << (r == ConfigLoad::Refused ? BadFile : QString()) << after;
    };
    using L = ConfigLoad;
    QByteArray lf = FiveDevices, noEnd = FiveDevices, fourOfFive = FiveDevices;
    lf.replace("\r\n", "\n");
    noEnd.chop(2);
    fourOfFive.chop(int(qstrlen("81,27,0,PM2.5\r\n")));

    row("complete", FiveDevices, L::Complete, "1 1 5 1 30 5 RH");
    row("LF ends", lf, L::Complete, "1 1 5 1 30 5 RH");
    row("last line without end", noEnd, L::Complete, "1 1 5 1 30 5 RH");
    row("UTF-8 mark, Chinese name", "\xEF\xBB\xBF" + ini("false|1,1|0,5|0,1,0,\xE6\xB8\xA9\xE5\xBA\xA6"),
        L::Complete, "0 1 1 0 5 1 温度");
    row("GBK Chinese name", ini("True|1,1|0,5|0,1,0,\xCE\xC2\xB6\xC8"), L::Complete, "1 1 1 0 5 1 温度");
    row("name trimmed, extra field", ini("True|1,1|0,5|0,1,0,  CO2 ,x"), L::Complete, "1 1 1 0 5 1 CO2");
    row("non-numeric fields count 0", ini("True|1,1|0,5|a,b,c,"), L::Complete, "1 1 1 0 5 1");

    // Line 1: a boolean word in any case or a number; anything else refuses the file untouched.
    row("TRUE", ini("TRUE|1,1|0,5|0,1,0,"), L::Complete, "1 1 1 0 5 1");
    row("number 1 is true", ini("1|1,1|0,5|0,1,0,"), L::Complete, "1 1 1 0 5 1");
    row("number -1 is true", ini("-1|1,1|0,5|0,1,0,"), L::Complete, "1 1 1 0 5 1");
    row("number 0 is false", ini("0|1,1|0,5|0,1,0,"), L::Complete, "0 1 1 0 5 1");
    row("line 1 no boolean", ini("[.ShellClassInfo]|1,1|0,5|0,1,0,"), L::Refused, "0 11 12 4 4 0 old");
    row("empty file", QByteArray(), L::Refused, "0 11 12 4 4 0 old");
    row("UTF-16 file", QByteArray("\xFF\xFET\0r\0u\0e\0\r\0\n\0", 14), L::Refused, "0 11 12 4 4 0 old");

    // Line 2: the range is taken before it is checked.
    row("range 3,2", ini("True|3,2|0,5"), L::Refused, "1 3 2 4 4 0 old");
    row("start 0", ini("True|0,2|0,5"), L::Refused, "1 0 2 4 4 0 old");
    row("end 256", ini("True|1,256|0,5"), L::Refused, "1 1 256 4 4 0 old");
    row("line 2 without comma", ini("True|15|0,5"), L::Refused, "1 11 12 4 4 0 old");
    row("line 2 missing", ini("True"), L::Refused, "1 11 12 4 4 0 old");

    // Line 3: minutes a byte, seconds 0..60, at least one second.
    row("seconds 0", ini("True|1,1|2,0|0,1,0,"), L::Complete, "1 1 1 2 0 1");
    row("seconds 60", ini("True|1,1|0,60|0,1,0,"), L::Complete, "1 1 1 0 60 1");
    row("seconds 61", ini("True|1,1|0,61|0,1,0,"), L::Refused, "1 1 1 0 61 0 old");
    row("interval 0", ini("True|1,1|0,0|0,1,0,"), L::Refused, "1 1 1 0 0 0 old");
    row("minutes 256", ini("True|1,1|256,5|0,1,0,"), L::Refused, "1 1 1 4 5 0 old");
    row("line 3 without comma", ini("True|1,1|30|0,1,0,"), L::Refused, "1 1 1 4 4 0 old");
    row("line 3 missing", ini("True|1,1"), L::Refused, "1 1 1 4 4 0 old");

    // Address lines: reading stops at the first bad one.
    row("ends after fourth address", fourOfFive, L::Partial, "1 1 5 1 30 4 RH");
    row("no address lines", ini("True|1,5|1,30"), L::Partial, "1 1 5 1 30 0 old");
    row("three fields", ini("True|1,2|0,5|0,1,0|0,1,0,"), L::Partial, "1 1 2 0 5 0 old");
    row("byte above 255", ini("True|1,2|0,5|0,1,0,a|0,256,0,b"), L::Partial, "1 1 2 0 5 1 a");
    row("negative byte", ini("True|1,2|0,5|-1,1,0,a"), L::Partial, "1 1 2 0 5 0 old");
    row("empty line", ini("True|1,2|0,5||0,1,0,b"), L::Partial, "1 1 2 0 5 0 old");
}

void TstConfigFile::load()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, result);
    QFETCH(QString, message);
    QFETCH(QString, after);
    const QStringList want = after.split(u' ');

    Fixture f;
    f.settings.ConfigLoaded = true; // from an earlier load in the same dialog
    const ConfigLoad r = f.load(f.write(QStringLiteral("x.ini"), bytes));
    QCOMPARE(int(r), result);
    QCOMPARE(f.op.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(f.settings.ConfigLoaded, r == ConfigLoad::Complete);
    QCOMPARE(f.settings.SaveEnabled, want[0] == QLatin1String("1"));
    QCOMPARE(f.table.PollStart, want[1].toInt());
    QCOMPARE(f.table.PollEnd, want[2].toInt());
    QCOMPARE(int(f.settings.PollMinutes), want[3].toInt());
    QCOMPARE(int(f.settings.PollSeconds), want[4].toInt());
    QCOMPARE(f.table.at(1).typeName, want.value(6));
    // Addresses past the ones read keep their old entries.
    int changed = 0;
    for (int a = 1; a <= 255; ++a)
        if (f.table.at(a).typeName != QLatin1String("old"))
            ++changed;
    QCOMPARE(changed, want[5].toInt());
    // The countdown is the polling cycle's; loading leaves it alone.
    QCOMPARE(int(f.settings.CountdownMinutes), 0);
}

void TstConfigFile::loadPartialKeepsOldEntries()
{
    Fixture f;
    QByteArray fourOfFive = FiveDevices;
    fourOfFive.chop(int(qstrlen("81,27,0,PM2.5\r\n")));
    QCOMPARE(f.load(f.write(QStringLiteral("p.ini"), fourOfFive)), ConfigLoad::Partial);
    QCOMPARE(f.table.at(4).mixpro, uint8_t(49));
    QCOMPARE(f.table.at(4).protype, uint8_t(13));
    QCOMPARE(f.table.at(4).typeName, QStringLiteral("T+RH+CO2"));
    QCOMPARE(f.table.at(3).absent, uint8_t(1));
    QCOMPARE(f.table.at(5).mixpro, uint8_t(7));
    QCOMPARE(f.table.at(5).protype, uint8_t(7));
    QCOMPARE(f.table.at(5).typeName, QStringLiteral("old"));
    QVERIFY(showsLoadedValues(ConfigLoad::Partial));
    QVERIFY(!showsLoadedValues(ConfigLoad::Refused));
}

void TstConfigFile::loadNoFile()
{
    Fixture f;
    f.settings.ConfigLoaded = true;
    QCOMPARE(loadConfiguration(f.op, f.dir.path(), f.settings, f.table), ConfigLoad::NoFile);
    QCOMPARE(f.op.texts(), QStringList{QString::fromUtf8(settingstexts::ChooseConfigFile)});
    QVERIFY(!f.settings.ConfigLoaded);
    QCOMPARE(f.table.PollStart, 11);
    QCOMPARE(f.op.askedFolders, QStringList{f.dir.path()});
}

void TstConfigFile::loadUnreadable_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing file") << "none.ini";
    QTest::newRow("a folder") << "folder.ini";
}

void TstConfigFile::loadUnreadable()
{
    QFETCH(QString, name);
    Fixture f;
    QDir(f.dir.path()).mkdir(QStringLiteral("folder.ini"));
    QCOMPARE(f.load(f.path(name)), ConfigLoad::Unreadable);
    QCOMPARE(f.op.messages.size(), 1);
    QCOMPARE(f.op.messages[0].text,
             QString::fromUtf8(settingstexts::ConfigFileUnreadable) + QDir::toNativeSeparators(f.path(name)));
    QCOMPARE(f.table.PollStart, 11);
    QVERIFY(!f.settings.ConfigLoaded);
}

void TstConfigFile::loadOnlyLooksAtTheBeginningOfAHugeFile()
{
    Fixture f;
    QByteArray big = FiveDevices;
    big.append(QByteArray(3 << 20, 'x'));
    QCOMPARE(f.load(f.write(QStringLiteral("big.ini"), big)), ConfigLoad::Complete);
    QCOMPARE(f.table.at(5).typeName, QStringLiteral("PM2.5"));
}

QTEST_GUILESS_MAIN(TstConfigFile)
#include "tst_configfile.moc"
