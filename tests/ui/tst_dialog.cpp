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

QString t8(const char *s) { return QString::fromUtf8(s); }
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
    void type(int i, const QString &text) const
    {
        box(i)->selectAll();
        QTest::keyClicks(box(i), text);
    }
};

} // namespace

class TstDialog : public QObject {
    Q_OBJECT
    enum How { OkButton, CancelButton, CloseBox, Esc };

private Q_SLOTS:
    void pollingFace()
    {
        Fixture f; // the range was never set: the boxes keep their own 1..5
        QVERIFY(f.dlg->isVisible() && !f.dlg->isModal() && f.dlg->Frame2()->isHidden());
        QCOMPARE(f.boxes(), u"1 5 1"_qs);
        const QList<QLabel *> labels = f.dlg->findChildren<QLabel *>();
        for (int i = 0; i < 3; ++i) {
            const QString caption = t8(i == 0 ? StartAddress : i == 1 ? EndAddress : PollInterval);
            QVERIFY2(std::any_of(labels.begin(), labels.end(),
                                 [&](QLabel *l) { return l->buddy() == f.box(i) && l->text() == caption; }),
                     qPrintable(caption));
        }
        // A second polling start while it is open gets the same dialog, with the range set since.
        QWidget main;
        Dialog *first = Dialog::openPollingFace(f.op, f.request, f.table, QString(), &main);
        QCOMPARE(Dialog::openPollingFace(f.op, f.request, f.table, QString(), &main), first);
        QCOMPARE(first->txtloopAdd(0)->text() + first->txtloopAdd(1)->text(), u"4050"_qs);
    }

    void okOrCancel_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<int>("how");
        QTest::addColumn<bool>("refused");
        QTest::newRow("one device 5..5") << 5 << 5 << int(OkButton) << false;
        QTest::newRow("whole bus") << 1 << 255 << int(OkButton) << false;
        QTest::newRow("6..5") << 6 << 5 << int(OkButton) << true;
        QTest::newRow("start 0") << 0 << 5 << int(OkButton) << true;
        QTest::newRow("CancelButton") << 3 << 9 << int(CancelButton) << false;
        QTest::newRow("close box") << 3 << 9 << int(CloseBox) << false;
        QTest::newRow("Esc") << 3 << 9 << int(Esc) << false;
    }
    void okOrCancel()
    {
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(int, how);
        QFETCH(bool, refused);
        Fixture f;
        f.box(0)->setText(QString::number(start));
        f.box(1)->setText(QString::number(end));
        f.type(2, QStringLiteral("90"));
        f.dlg->checkSave()->setChecked(true);
        QSignalSpy frames(&f.request, &SettingsRequest::framesEnabled);
        QSignalSpy answered(&f.request, &SettingsRequest::answered);
        if (how == CloseBox)
            f.dlg->close();
        else if (how == Esc)
            QTest::keyClick(f.dlg->Text1(), Qt::Key_Escape);
        else
            f.click(how == OkButton ? "OKButton" : "CancelButton");
        const bool ok = how == OkButton && !refused;
        QCOMPARE(frames.size(), int(how == OkButton)); // also when the range is refused
        QCOMPARE(f.op.texts(), texts(refused ? t8("起始地址要小于结束地址!\r\n请重新输入!") : QString()));
        QCOMPARE(QPoint(f.table.PollStart, f.table.PollEnd), ok ? QPoint(start, end) : QPoint(40, 50));
        // OK takes the interval as minutes and seconds, and starts the countdown from it.
        QCOMPARE((QList<int>{f.settings.PollMinutes, f.settings.PollSeconds, f.settings.CountdownMinutes,
                             f.settings.CountdownSeconds}),
                 (ok ? QList<int>{1, 30, 1, 30} : QList<int>{4, 4, 0, 0}));
        QVERIFY(f.settings.SaveEnabled == ok && f.settings.PollSettingsOk == ok);
        QCOMPARE(f.settings.PollSettingsCancel, how != OkButton);
        QCOMPARE(QList<QVariantList>(answered), refused ? QList<QVariantList>() : QList<QVariantList>{{ok}});
        if (refused)
            QVERIFY(f.boxes() == u"1 5 90"_qs && f.dlg->isVisible() && f.request.waiting());
        else
            QTRY_VERIFY(f.dlg.isNull());
    }

    void typedIntoTheBoxes_data()
    {
        QTest::addColumn<int>("box"); // start, end, interval
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("message");
        QTest::newRow("end 256") << 1 << u"256"_qs << "1 5 1" << t8(EndTooLarge);
        QTest::newRow("end 255") << 1 << u"255"_qs << "1 255 1" << QString();
        QTest::newRow("start 999") << 0 << u"999"_qs << "1 5 1" << t8(StartTooLarge);
        QTest::newRow("letters and signs dropped") << 1 << u"1a-2 .3"_qs << "1 123 1" << QString();
        // The rule runs on every key: "999" becomes "600", and the last 9 makes "6009", "600" again.
        QTest::newRow("interval above 600") << 2 << u"9999"_qs << "1 5 600" << QString();
        QTest::newRow("interval 0") << 2 << u"0"_qs << "1 5 1" << QString();
    }
    void typedIntoTheBoxes()
    {
        QFETCH(int, box);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, message);
        Fixture f;
        f.type(box, typed);
        QCOMPARE(f.boxes(), shown);
        QCOMPARE(f.op.texts(), texts(message));
    }

    void loadedConfigThenOk_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("shown"); // the boxes after the load
        QTest::addColumn<QString>("after"); // range and interval after the end box is set to 30 and OK
        QTest::addColumn<QString>("message");
        const QByteArray lines = "0,1,0,T\r\n0,1,0,T\r\n0,1,0,T\r\n";
        // A complete file stands as loaded; the box shows the clamped interval only.
        QTest::newRow("complete") << "True\r\n10,12\r\n1,30\r\n" + lines << "10 12 90" << u"10 12 90"_qs
                                  << QString();
        QTest::newRow("long interval")
            << "True\r\n10,12\r\n20,0\r\n" + lines << "10 12 600" << u"10 12 1200"_qs << QString();
        // A file that ends early shows its values, but OK reads the boxes.
        QTest::newRow("partial") << "True\r\n10,12\r\n1,30\r\n" + lines.left(9) << "10 12 90"
                                 << u"10 30 90"_qs << QString();
        QTest::newRow("refused") << QByteArray("True\r\n3,2\r\n0,5\r\n") << "1 5 1" << u"1 30 1"_qs
                                 << t8(ConfigFileBad);
    }
    void loadedConfigThenOk()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, shown);
        QFETCH(QString, after);
        QFETCH(QString, message);
        Fixture f;
        QFile c(f.dir.filePath(QStringLiteral("c.ini")));
        QVERIFY(c.open(QIODevice::WriteOnly) && c.write(file) == file.size());
        c.close();
        f.op.openAnswers << c.fileName();
        f.click("cmdConf");
        QCOMPARE(f.op.texts(), texts(message));
        QCOMPARE(f.boxes(), shown);
        QCOMPARE(f.dlg->checkSave()->isChecked(), message.isEmpty());
        f.type(1, QStringLiteral("30"));
        f.click("OKButton");
        QCOMPARE(f.op.texts(), texts(message));
        QCOMPARE(u"%1 %2 %3"_qs.arg(f.table.PollStart).arg(f.table.PollEnd).arg(f.settings.intervalSeconds()),
                 after);
        QVERIFY(f.settings.PollSettingsOk && !f.settings.ConfigLoaded);
    }

    void dialog1_data()
    {
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("name"); // the file name the operator gives
        QTest::newRow("OK, file named") << int(OkButton) << u"run.ini"_qs;
        QTest::newRow("OK, no name") << int(OkButton) << QString();
        QTest::newRow("Cancel") << int(CancelButton) << u"run.ini"_qs;
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
            QTest::mouseClick(dlg->findChild<QPushButton *>(how == OkButton ? "OKButton" : "CancelButton"),
                              Qt::LeftButton);
        const bool written = how == OkButton && !name.isEmpty();
        QCOMPARE(f.op.texts(), texts(how == OkButton && !written ? t8(EnterFileName) : QString()));
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
