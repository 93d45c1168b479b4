// The polling settings: the configuration files (what is written, what is taken back, what a
// damaged file does), the settings dialog and the save-configuration question, offscreen, with the
// operator answered by a recorder.
#include "common/files.h"
#include "common/recordingoperator.h"
#include "common/tr8.h"
#include "devices/configfile.h"
#include "devices/texts.h"
#include "ui/dialog.h"
#include "ui/dialog1.h"

#include <QtTest>
#include <QtWidgets>

using namespace kestrel;
using namespace kestrel::texts::devices;
using namespace kestrel::test;

namespace {

const auto messageList = [](const QString &message) -> QStringList {
    return message.isEmpty() ? QStringList() : QStringList{message};
};

// Before each test: range 40..50, interval 4 min 4 s, saving off, and every address carrying values
// a loaded file must visibly replace (or leave): 7,7,0,"old","alias". With the dialog, its polling
// face is opened for a waiting polling start before the range is set, so its boxes keep their 1..5.
struct Fixture {
    QTemporaryDir dir;
    test::RecordingOperator op;
    PollSettings settings;
    SettingsRequest request{settings};
    DeviceTable table;
    QPointer<Dialog> dlg;

    explicit Fixture(bool dialog = false)
    {
        for (int a = 1; a <= 255; ++a)
            table.at(a) = {7, 7, 0, QStringLiteral("old"), QStringLiteral("alias")};
        settings.PollMinutes = settings.PollSeconds = 4;
        if (dialog) { // left over from an earlier dialog and answer: opening clears them
            settings.ConfigLoaded = settings.PollSettingsOk = settings.PollSettingsCancel = true;
            request.open();
            dlg = Dialog::openPollingFace(op, request, table, dir.path(), nullptr);
        }
        table.PollStart = 40;
        table.PollEnd = 50;
    }
    ~Fixture() { delete dlg.data(); }
    QString write(const QString &name, const QByteArray &bytes) const
    {
        return writeFile(dir.filePath(name), bytes);
    }
    QByteArray read(const QString &name) const { return fileBytes(dir.filePath(name)); }
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
    QLineEdit *box(int i) const { return i < 2 ? dlg->txtloopAdd(i) : dlg->Text1(); }
    QStringList boxes() const { return {box(0)->text(), box(1)->text(), box(2)->text()}; }
    void click(const char *n) const { QTest::mouseClick(dlg->findChild<QPushButton *>(n), Qt::LeftButton); }
    // The range and the interval as the polling will use them, the countdown, and the save choice.
    QStringList after() const
    {
        return QString::asprintf("%d %d %d:%d %d:%d%s", table.PollStart, table.PollEnd, settings.PollMinutes,
                                 settings.PollSeconds, settings.CountdownMinutes, settings.CountdownSeconds,
                                 settings.SaveEnabled ? " save" : "")
            .split(' ');
    }
};

// A file for 1..5 (8 lines) with interval 90, written the way the program writes it (温度 in GBK).
const QByteArray FiveDevices = "True\r\n1,5\r\n1,30\r\n0,2,0,RH\r\n33,3,0,T+RH\r\n0,0,1,\xCE\xC2\xB6\xC8\r\n"
                               "49,13,0,T+RH+CO2\r\n81,27,0,PM2.5\r\n";

// Lines joined by "|", each ended by CR LF.
const auto ini = [](const char *lines) -> QByteArray {
    return QByteArray(lines).replace('|', "\r\n") + "\r\n";
};

} // namespace

class TstPollSettings : public QObject {
    Q_OBJECT
    enum How { OkButton, CloseBox };
    struct Answer {
        QByteArray file;
        QString typed, shown, message, after;
    };

private Q_SLOTS:
    void saveLoadRoundTrip()
    {
        Fixture f; // a file loaded and saved again is the same bytes; the alias is not part of it
        QCOMPARE(f.load(f.write(QStringLiteral("in.ini"), FiveDevices)), ConfigLoad::Complete);
        QVERIFY(f.save(QStringLiteral("out"))); // the name is used as typed: no extension added
        QVERIFY(f.op.messages.isEmpty());
        QCOMPARE(f.op.askedFolders, QStringList(2, f.dir.path()));
        QCOMPARE(f.read(QStringLiteral("out")), FiveDevices);
        QCOMPARE(f.table.at(1).alias, QStringLiteral("alias"));
        // Saving off, whole minutes, one device.
        f.settings.SaveEnabled = false;
        f.settings.setInterval(120);
        f.table.PollStart = f.table.PollEnd = 3;
        QVERIFY(f.save(QStringLiteral("one.ini")));
        QCOMPARE(f.read(QStringLiteral("one.ini")), ini("False|3,3|2,0|0,0,1,\xCE\xC2\xB6\xC8"));
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
                                << "0 40 50 4 4 0 old";
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
        QCOMPARE(f.op.texts(), r == ConfigLoad::Refused ? QStringList{tr8("配置文件有错\r\n请重新设置参数！")}
                                                        : QStringList());
        QCOMPARE(f.settings.ConfigLoaded, r == ConfigLoad::Complete);
        int changed = 0;
        for (int a = 1; a <= 255; ++a)
            changed += f.table.at(a).typeName != u"old"_qs;
        QCOMPARE(QString::asprintf("%d %d %d %d %d %d %s", f.settings.SaveEnabled, f.table.PollStart,
                                   f.table.PollEnd, f.settings.PollMinutes, f.settings.PollSeconds, changed,
                                   qUtf8Printable(f.table.at(1).typeName))
                     .split(' '),
                 after.split(' '));
        if (r == ConfigLoad::Partial) // the entries after the last line read keep every old value
            QCOMPARE(f.table.at(changed + 1).mixpro, uint8_t(7));
    }

    void noFileOrAFolderInItsPlace()
    {
        Fixture f;
        f.settings.ConfigLoaded = true;
        QCOMPARE(loadConfiguration(f.op, f.dir.path(), f.settings, f.table), ConfigLoad::NoFile);
        QVERIFY(!f.settings.ConfigLoaded);
        QCOMPARE(f.op.texts(), QStringList{tr8("请选择配置文件！")}); // no name to save: see dialog1
        // A folder in place of the file can be neither read nor written.
        QDir(f.dir.path()).mkdir(QStringLiteral("sub.ini"));
        QCOMPARE(f.load(f.dir.filePath("sub.ini")), ConfigLoad::Unreadable);
        QVERIFY(!f.save(QStringLiteral("sub.ini")));
        const QString shown = QDir::toNativeSeparators(f.dir.filePath("sub.ini"));
        QCOMPARE(f.op.texts().mid(1), (QStringList{tr8(texts::devices::ConfigFileUnreadable) + shown,
                                                   tr8(texts::devices::ConfigFileUnwritable) + shown}));
        QCOMPARE(f.table.PollStart, 40);
    }

    void pollingFace()
    {
        Fixture f(true); // the range was never set: the boxes keep their own 1..5
        QVERIFY(f.dlg->isVisible() && !f.dlg->isModal() && f.dlg->Frame2()->isHidden());
        QCOMPARE(f.boxes(), (QStringList{"1", "5", "1"}));
        // A second polling start while it is open gets the same dialog, with the range set since.
        QWidget main;
        Dialog *first = Dialog::openPollingFace(f.op, f.request, f.table, QString(), &main);
        QCOMPARE(Dialog::openPollingFace(f.op, f.request, f.table, QString(), &main), first);
        QCOMPARE(first->txtloopAdd(0)->text(), u"40"_qs);
        QCOMPARE(first->txtloopAdd(1)->text(), u"50"_qs);
    }

    // A configuration loaded first, when given; then typed key by key into start|end|interval, then a
    // button; the boxes after typing; the message; start end minutes:seconds countdown, save, after it.
    void answered_data()
    {
        QTest::addColumn<Answer>("a");
        const auto row = [](const char *name, const QByteArray &file, const char *typed, const char *shown,
                            const char *message, const char *after) {
            QTest::newRow(name) << Answer{file, typed, shown, QString::fromUtf8(message), after};
        };
        const QByteArray no, head = "True\r\n10,12\r\n1,30\r\n", lines = "0,1,0,T\r\n0,1,0,T\r\n0,1,0,T\r\n";
        row("one device 5..5", no, "5|5|90|OK", "5 5 90", "", "5 5 1:30 1:30 save");
        row("whole bus", no, "1|255|600|OK", "1 255 600", "", "1 255 10:0 10:0 save");
        row("end 256", no, "3|256|9|OK", "3 5 9", EndTooLarge, "3 5 0:9 0:9 save");
        row("start 999", no, "999|9|9|OK", "1 9 9", StartTooLarge, "1 9 0:9 0:9 save");
        row("letters and signs", no, "2|1a-2 .3|9|OK", "2 123 9", "", "2 123 0:9 0:9 save");
        // The rule runs on every key: "999" becomes "600", and the last 9 makes "6009", "600" again.
        row("interval above 600", no, "1|2|9999|OK", "1 2 600", "", "1 2 10:0 10:0 save");
        row("interval 0", no, "1|2|0|OK", "1 2 1", "", "1 2 0:1 0:1 save");
        // A refused range: the boxes go back to 1..5, the dialog stays and the start waits.
        row("6..5", no, "6|5|90|OK", "6 5 90", StartAfterEnd, "40 50 4:4 0:0");
        row("start 0", no, "0|5|90|OK", "0 5 90", StartAfterEnd, "40 50 4:4 0:0");
        row("CancelButton", no, "3|9|90|Cancel", "3 9 90", "", "40 50 4:4 0:0");
        row("close box", no, "3|9|90|close", "3 9 90", "", "40 50 4:4 0:0");
        row("Esc", no, "3|9|90|Esc", "3 9 90", "", "40 50 4:4 0:0");
        // A complete file stands as loaded (the boxes are not read again; the interval box shows at
        // most 600); one that ends early shows its values, and OK reads the boxes.
        row("file", head + lines, "|30||OK", "10 30 90", "", "10 12 1:30 0:0 save");
        row("file, long interval", "True\r\n10,12\r\n20,0\r\n" + lines, "|30||OK", "10 30 600", "",
            "10 12 20:0 0:0 save");
        row("file ends early", head + lines.left(9), "|30||OK", "10 30 90", "", "10 30 1:30 1:30 save");
        row("file refused", "True\r\n3,2\r\n0,5\r\n", "|30||OK", "1 30 1", ConfigFileBad, "1 30 0:1 0:1");
    }
    void answered()
    {
        QFETCH(Answer, a);
        const auto &[file, typed, shown, message, after] = a;
        Fixture f(true);
        f.dlg->checkSave()->setChecked(file.isEmpty()); // a loaded file sets it
        if (!file.isEmpty()) {
            f.op.openAnswers << f.write(QStringLiteral("c.ini"), file);
            f.click("cmdConf");
        }
        for (int i = 0; i < 3; ++i) {
            f.box(i)->selectAll();
            QTest::keyClicks(f.box(i), typed.section('|', i, i));
        }
        QCOMPARE(f.boxes(), shown.split(' '));
        const bool refused = message == QString::fromUtf8(StartAfterEnd);
        QCOMPARE(f.op.texts(), messageList(refused ? QString() : message));
        QSignalSpy frames(&f.request, &SettingsRequest::framesEnabled);
        QSignalSpy answered(&f.request, &SettingsRequest::answered);
        const QString how = typed.section('|', 3);
        if (how == u"close"_qs)
            f.dlg->close();
        else if (how == u"Esc"_qs)
            QTest::keyClick(f.dlg->Text1(), Qt::Key_Escape);
        else
            f.click(how == u"OK"_qs ? "OKButton" : "CancelButton");
        QCOMPARE(frames.size(), 1); // every answer, also an OK whose range is refused
        QCOMPARE(f.op.texts(), messageList(message));
        QCOMPARE(f.after(), after.split(' '));
        const bool ok = how == u"OK"_qs && !refused;
        QCOMPARE(f.settings.PollSettingsOk, ok);
        QCOMPARE(f.settings.PollSettingsCancel, how != u"OK"_qs);
        QVERIFY(!f.settings.ConfigLoaded);
        if (refused) {
            QCOMPARE(f.boxes(), (QStringList{"1", "5", "90"}));
            QVERIFY(f.dlg->isVisible() && f.request.waiting() && answered.isEmpty());
            return;
        }
        QTRY_VERIFY(f.dlg.isNull());
        f.request.cancel(); // one answer per opening: a late one finds nobody waiting
        QCOMPARE(QList<QVariantList>(answered), QList<QVariantList>{{ok}});
    }

    void dialog1_data()
    {
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("name"); // the file name the operator gives
        QTest::newRow("OK, file named") << int(OkButton) << u"run.ini"_qs;
        QTest::newRow("OK, no name") << int(OkButton) << QString();
        QTest::newRow("close box") << int(CloseBox) << u"run.ini"_qs;
    }
    void dialog1()
    {
        QFETCH(int, how);
        QFETCH(QString, name);
        Fixture f;
        f.op.saveAnswers << name;
        f.settings.SaveEnabled = true;
        f.settings.setInterval(90);
        f.table.PollStart = 1, f.table.PollEnd = 5;
        QPointer<Dialog1> dlg = Dialog1::ask(f.op, f.settings, f.table, f.dir.path(), nullptr);
        QVERIFY(dlg->isVisible() && !dlg->isModal());
        if (how == CloseBox)
            dlg->close();
        else
            QTest::mouseClick(dlg->findChild<QPushButton *>("OKButton"), Qt::LeftButton);
        const bool written = how == OkButton && !name.isEmpty();
        QCOMPARE(f.op.texts(),
                 messageList(how == OkButton && !written ? QString::fromUtf8(EnterFileName) : QString()));
        QVERIFY(!f.settings.SaveEnabled);
        // Written with the run's save choice, before it is switched off.
        QCOMPARE(f.read(QStringLiteral("run.ini")).left(17),
                 written ? QByteArray("True\r\n1,5\r\n1,30\r\n") : "");
        QTRY_VERIFY(dlg.isNull());
    }
};

QTEST_MAIN(TstPollSettings)
#include "tst_pollsettings.moc"
