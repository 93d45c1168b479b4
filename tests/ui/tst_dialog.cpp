// The polling settings dialog and the save-configuration question, offscreen, with the operator
// answered by a recorder.
#include "common/recordingoperator.h"
#include "devices/devicetable.h"
#include "devices/pollsettings.h"
#include "devices/settingstexts.h"
#include "ui/dialog.h"
#include "ui/dialog1.h"

#include <QtTest>
#include <QtWidgets>

using namespace kestrel;
using namespace kestrel::settingstexts;

namespace {

QStringList texts(const QString &message) { return message.isEmpty() ? QStringList() : QStringList{message}; }

// The polling face opened for a waiting polling start; before: range 40..50, interval 4 min 4 s.
struct Fixture {
    QTemporaryDir dir;
    test::RecordingOperator op;
    PollSettings settings;
    SettingsRequest request{settings};
    DeviceTable table;
    QPointer<Dialog> dlg;

    Fixture()
    {
        settings.PollMinutes = settings.PollSeconds = 4;
        // Left over from an earlier dialog and answer: opening clears them.
        settings.ConfigLoaded = settings.PollSettingsOk = settings.PollSettingsCancel = true;
        request.open();
        dlg = Dialog::openPollingFace(op, request, table, dir.path(), nullptr);
        table.PollStart = 40;
        table.PollEnd = 50;
    }
    ~Fixture() { delete dlg.data(); }
    QLineEdit *box(int i) const { return i < 2 ? dlg->txtloopAdd(i) : dlg->Text1(); }
    QString boxes() const { return box(0)->text() + ' ' + box(1)->text() + ' ' + box(2)->text(); }
    void click(const char *n) const { QTest::mouseClick(dlg->findChild<QPushButton *>(n), Qt::LeftButton); }
    // The range and the interval as the polling will use them, the countdown, and the save choice.
    QString after() const
    {
        return QString::asprintf("%d %d %d:%d %d:%d", table.PollStart, table.PollEnd, settings.PollMinutes,
                                 settings.PollSeconds, settings.CountdownMinutes, settings.CountdownSeconds) +
               (settings.SaveEnabled ? " save" : "");
    }
};

} // namespace

class TstDialog : public QObject {
    Q_OBJECT
    enum How { OkButton, CloseBox };

private Q_SLOTS:
    void pollingFace()
    {
        Fixture f; // the range was never set: the boxes keep their own 1..5
        QVERIFY(f.dlg->isVisible() && !f.dlg->isModal() && f.dlg->Frame2()->isHidden());
        QCOMPARE(f.boxes(), u"1 5 1"_qs);
        // A second polling start while it is open gets the same dialog, with the range set since.
        QWidget main;
        Dialog *first = Dialog::openPollingFace(f.op, f.request, f.table, QString(), &main);
        QCOMPARE(Dialog::openPollingFace(f.op, f.request, f.table, QString(), &main), first);
        QCOMPARE(first->txtloopAdd(0)->text() + first->txtloopAdd(1)->text(), u"4050"_qs);
    }

    void answered_data()
    {
        QTest::addColumn<QByteArray>("file"); // a configuration loaded first, when given
        QTest::addColumn<QString>("typed");   // then key by key into start|end|interval, then a button
        QTest::addColumn<QString>("shown");   // the boxes after typing
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("after"); // start end minutes:seconds countdown, save, after the button
        const auto row = [](const char *name, const QByteArray &file, const char *typed, const char *shown,
                            const char *message, const char *after) {
            QTest::newRow(name) << file << QString(typed) << QString(shown) << QString::fromUtf8(message)
                                << QString(after);
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
        QFETCH(QByteArray, file);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, message);
        QFETCH(QString, after);
        Fixture f;
        f.dlg->checkSave()->setChecked(file.isEmpty()); // a loaded file sets it
        if (!file.isEmpty()) {
            f.op.openAnswers << f.dir.filePath(QStringLiteral("c.ini"));
            QFile c(f.op.openAnswers.first());
            QVERIFY(c.open(QIODevice::WriteOnly) && c.write(file) == file.size() && c.flush());
            f.click("cmdConf");
        }
        for (int i = 0; i < 3; ++i) {
            f.box(i)->selectAll();
            QTest::keyClicks(f.box(i), typed.section('|', i, i));
        }
        QCOMPARE(f.boxes(), shown);
        const bool refused = message == QString::fromUtf8(StartAfterEnd);
        QCOMPARE(f.op.texts(), texts(refused ? QString() : message));
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
        QCOMPARE(f.op.texts(), texts(message));
        QCOMPARE(f.after(), after);
        const bool ok = how == u"OK"_qs && !refused;
        QVERIFY(f.settings.PollSettingsOk == ok && f.settings.PollSettingsCancel == (how != u"OK"_qs));
        QVERIFY(!f.settings.ConfigLoaded);
        if (refused) {
            QCOMPARE(f.boxes(), u"1 5 90"_qs);
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
        f.table.PollStart = 1;
        f.table.PollEnd = 5;
        QPointer<Dialog1> dlg = Dialog1::ask(f.op, f.settings, f.table, f.dir.path(), nullptr);
        QVERIFY(dlg->isVisible() && !dlg->isModal());
        if (how == CloseBox)
            dlg->close();
        else
            QTest::mouseClick(dlg->findChild<QPushButton *>("OKButton"), Qt::LeftButton);
        const bool written = how == OkButton && !name.isEmpty();
        QCOMPARE(f.op.texts(),
                 texts(how == OkButton && !written ? QString::fromUtf8(EnterFileName) : QString()));
        QVERIFY(!f.settings.SaveEnabled);
        // Written with the run's save choice, before it is switched off.
        QFile file(f.dir.filePath(QStringLiteral("run.ini")));
        QCOMPARE(file.open(QIODevice::ReadOnly) ? file.readAll().left(17) : QByteArray(),
                 written ? QByteArray("True\r\n1,5\r\n1,30\r\n") : QByteArray());
        QTRY_VERIFY(dlg.isNull());
    }
};

QTEST_MAIN(TstDialog)
#include "tst_dialog.moc"
