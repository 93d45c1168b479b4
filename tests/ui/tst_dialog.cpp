// The polling settings dialog and the save-configuration question, offscreen, with the operator
// answered by a recorder.
#include "common/recordingoperator.h"
#include "common/textfile.h"
#include "common/twips.h"
#include "devices/configfile.h"
#include "devices/settingstexts.h"
#include "ui/dialog.h"
#include "ui/dialog1.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace kestrel;
using kestrel::test::RecordingOperator;

namespace {

QString t8(const char *s) { return QString::fromUtf8(s); }

struct Fixture {
    QTemporaryDir dir;
    RecordingOperator op;
    PollSettings settings;
    SettingsRequest request{settings};
    DeviceTable table;
    QPointer<Dialog> dlg;

    Fixture()
    {
        settings.PollMinutes = 4;
        settings.PollSeconds = 4;
        request.open();
        dlg = Dialog::openPollingFace(op, request, table, dir.path(), nullptr);
    }
    ~Fixture() { delete dlg.data(); }

    QLineEdit *box(const char *name) const { return dlg->findChild<QLineEdit *>(QLatin1String(name)); }
    QPushButton *button(const char *name) const { return dlg->findChild<QPushButton *>(QLatin1String(name)); }
    void type(const char *boxName, const QString &text) const
    {
        QLineEdit *b = box(boxName);
        b->selectAll();
        QTest::keyClicks(b, text);
    }
    void click(const char *name) const { QTest::mouseClick(button(name), Qt::LeftButton); }
    QString writeFile(const QString &name, const QByteArray &bytes) const
    {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write test file");
        return f.fileName();
    }
};

} // namespace

class TstDialog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pollingFace();
    void openPutsTheRangeInTheBoxes_data();
    void openPutsTheRangeInTheBoxes();
    void openReusesTheOpenDialog();
    void okRange_data();
    void okRange();
    void interval_data();
    void interval();
    void keyFilter_data();
    void keyFilter();
    void rangeBoxLimit_data();
    void rangeBoxLimit();
    void saveChoice_data();
    void saveChoice();
    void loadedConfigKeptByOk_data();
    void loadedConfigKeptByOk();
    void refusedLoadLeavesTheBoxes();
    void cancel_data();
    void cancel();
    void dialog1_data();
    void dialog1();
};

void TstDialog::pollingFace()
{
    Fixture f;
    QCOMPARE(f.dlg->windowTitle(), t8(settingstexts::DialogCaption));
    QVERIFY(f.dlg->isVisible());
    QVERIFY(!f.dlg->isModal());
    QCOMPARE(f.dlg->testAttribute(Qt::WA_DeleteOnClose), true);

    const struct {
        const char *name, *text, *label;
    } boxes[] = {{"txtloopAdd_0", "1", settingstexts::StartAddress},
                 {"txtloopAdd_1", "5", settingstexts::EndAddress},
                 {"Text1", "1", settingstexts::PollInterval}};
    const auto labels = f.dlg->findChildren<QLabel *>();
    for (const auto &b : boxes) {
        QLineEdit *box = f.box(b.name);
        QVERIFY2(box, b.name);
        QCOMPARE(box->text(), t8(b.text));
        QVERIFY(box->isVisible());
        auto it = std::find_if(labels.begin(), labels.end(), [&](QLabel *l) { return l->buddy() == box; });
        QVERIFY2(it != labels.end(), b.name);
        QCOMPARE((*it)->text(), t8(b.label));
    }
    QCOMPARE(f.dlg->findChild<QLabel *>(QStringLiteral("Label5"))->text(), t8(settingstexts::AddressRange));
    QCOMPARE(f.dlg->findChild<QCheckBox *>(QStringLiteral("checkSave"))->text(), t8(settingstexts::SaveData));
    QCOMPARE(f.dlg->findChild<QCheckBox *>(QStringLiteral("checkSave"))->checkState(), Qt::Unchecked);
    QCOMPARE(f.button("cmdConf")->text(), t8(settingstexts::LoadConfig));
    QCOMPARE(f.button("OKButton")->text(), t8(settingstexts::Ok));
    QCOMPARE(f.button("CancelButton")->text(), t8(settingstexts::Cancel));

    auto *frame1 = f.dlg->findChild<QGroupBox *>(QStringLiteral("Frame1"));
    QCOMPARE(frame1->title(), t8(settingstexts::PollFrame));
    QVERIFY(frame1->isVisible());
    for (const char *hidden : {"Frame2", "Frame3"}) {
        auto *frame = f.dlg->findChild<QGroupBox *>(QLatin1String(hidden));
        QVERIFY2(frame && frame->isHidden(), hidden);
    }
    const double dpi = f.dlg->logicalDpiX();
    QCOMPARE(f.dlg->size(), QSize(twipsToPixels(3555, dpi), twipsToPixels(3390, dpi)));
    // Opening a dialog clears a load of an earlier one.
    f.settings.ConfigLoaded = true;
    Dialog again(f.op, f.request, f.table, f.dir.path());
    QVERIFY(!f.settings.ConfigLoaded);
}

void TstDialog::openPutsTheRangeInTheBoxes_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<QString>("box0");
    QTest::addColumn<QString>("box1");
    QTest::newRow("set range") << 10 << 20 << "10" << "20";
    QTest::newRow("never set") << 0 << 0 << "1" << "5";
    QTest::newRow("end beyond the bus") << 3 << 300 << "3" << "5";
}

void TstDialog::openPutsTheRangeInTheBoxes()
{
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(QString, box0);
    QFETCH(QString, box1);
    RecordingOperator op;
    PollSettings settings;
    SettingsRequest request(settings);
    DeviceTable table;
    table.PollStart = start;
    table.PollEnd = end;
    QPointer<Dialog> dlg = Dialog::openPollingFace(op, request, table, QString(), nullptr);
    QCOMPARE(dlg->txtloopAdd(0)->text(), box0);
    QCOMPARE(dlg->txtloopAdd(1)->text(), box1);
    QVERIFY(op.messages.isEmpty());
    delete dlg.data();
}

void TstDialog::openReusesTheOpenDialog()
{
    RecordingOperator op;
    PollSettings settings;
    SettingsRequest request(settings);
    DeviceTable table;
    QWidget main;
    Dialog *first = Dialog::openPollingFace(op, request, table, QString(), &main);
    first->showTestFace();
    QVERIFY(first->findChild<QGroupBox *>(QStringLiteral("Frame1"))->isHidden());
    QVERIFY(!first->Frame2()->isHidden());
    table.PollStart = 7;
    Dialog *second = Dialog::openPollingFace(op, request, table, QString(), &main);
    QCOMPARE(second, first);
    QCOMPARE(second->txtloopAdd(0)->text(), QStringLiteral("7"));
    QVERIFY(second->Frame2()->isHidden());
    QVERIFY(!second->findChild<QGroupBox *>(QStringLiteral("Frame1"))->isHidden());
    const double dpi = second->logicalDpiX();
    QCOMPARE(second->size(), QSize(twipsToPixels(3555, dpi), twipsToPixels(3390, dpi)));
}

void TstDialog::okRange_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("one device 5..5") << "5" << "5" << true;
    QTest::newRow("whole bus") << "1" << "255" << true;
    QTest::newRow("6..5") << "6" << "5" << false;
    QTest::newRow("start 0") << "0" << "5" << false;
    QTest::newRow("start empty") << "" << "5" << false;
    QTest::newRow("end empty") << "3" << "" << false;
}

void TstDialog::okRange()
{
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(bool, accepted);
    Fixture f;
    f.table.PollStart = 40;
    f.table.PollEnd = 50;
    f.dlg->txtloopAdd(0)->setText(start);
    f.dlg->txtloopAdd(1)->setText(end);
    QSignalSpy frames(&f.request, &SettingsRequest::framesEnabled);
    QSignalSpy answered(&f.request, &SettingsRequest::answered);
    f.click("OKButton");
    QCOMPARE(frames.size(), 1); // also when the range is refused
    if (accepted) {
        QVERIFY(f.op.messages.isEmpty());
        QCOMPARE(f.table.PollStart, start.toInt());
        QCOMPARE(f.table.PollEnd, end.toInt());
        QVERIFY(f.settings.PollSettingsOk);
        QCOMPARE(answered.size(), 1);
        QCOMPARE(answered[0][0].toBool(), true);
        QTRY_VERIFY(f.dlg.isNull());
    } else {
        QCOMPARE(f.op.texts(), QStringList{t8(settingstexts::StartAfterEnd)});
        QCOMPARE(f.dlg->txtloopAdd(0)->text(), QStringLiteral("1"));
        QCOMPARE(f.dlg->txtloopAdd(1)->text(), QStringLiteral("5"));
        QCOMPARE(f.table.PollStart, 40);
        QCOMPARE(f.table.PollEnd, 50);
        QCOMPARE(int(f.settings.PollMinutes), 4);
        QVERIFY(!f.settings.PollSettingsOk);
        QVERIFY(answered.isEmpty());
        QVERIFY(f.dlg->isVisible());
        QVERIFY(f.request.waiting());
    }
}

void TstDialog::interval_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<int>("seconds");
    QTest::newRow("90") << "90" << "90" << 1 << 30;
    QTest::newRow("59") << "59" << "59" << 0 << 59;
    QTest::newRow("60") << "60" << "60" << 1 << 0;
    QTest::newRow("600") << "600" << "600" << 10 << 0;
    QTest::newRow("above 600") << "601" << "600" << 10 << 0;
    // The rule runs on every key: "999" becomes "600", and the last 9 makes "6009", "600" again.
    QTest::newRow("far above") << "9999" << "600" << 10 << 0;
    QTest::newRow("0 becomes 1") << "0" << "1" << 0 << 1;
}

void TstDialog::interval()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, minutes);
    QFETCH(int, seconds);
    Fixture f;
    f.type("Text1", typed);
    QCOMPARE(f.dlg->Text1()->text(), shown);
    f.click("OKButton");
    QCOMPARE(int(f.settings.PollMinutes), minutes);
    QCOMPARE(int(f.settings.PollSeconds), seconds);
    QCOMPARE(int(f.settings.CountdownMinutes), minutes);
    QCOMPARE(int(f.settings.CountdownSeconds), seconds);
    QVERIFY(f.op.messages.isEmpty());
}

void TstDialog::keyFilter_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("backspaced"); // after one Backspace
    QTest::newRow("letters and signs dropped") << "txtloopAdd_1" << "1a-2 .3" << "123" << "12";
    QTest::newRow("start box") << "txtloopAdd_0" << "x9" << "9" << "";
    QTest::newRow("interval box") << "Text1" << "4e1" << "41" << "4";
    QTest::newRow("interval never empty") << "Text1" << QStringLiteral("２7") << "7" << "1";
}

void TstDialog::keyFilter()
{
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, backspaced);
    Fixture f;
    QLineEdit *b = f.box(box.toLatin1().constData());
    b->selectAll();
    for (QChar c : typed) {
        if (c.unicode() < 128) {
            QTest::keyClick(b, c.toLatin1());
        } else { // keys QTest has no code for arrive as text
            QTest::sendKeyEvent(QTest::Press, b, Qt::Key_unknown, QString(c), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, b, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    QCOMPARE(b->text(), shown);
    QTest::keyClick(b, Qt::Key_Backspace);
    QCOMPARE(b->text(), backspaced);
    QVERIFY(f.op.messages.isEmpty());
}

void TstDialog::rangeBoxLimit_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("other"); // the other range box, left alone
    const QString endMsg = t8(settingstexts::EndTooLarge), startMsg = t8(settingstexts::StartTooLarge);
    QTest::newRow("end 256") << "txtloopAdd_1" << "256" << "5" << endMsg << "1";
    QTest::newRow("end 255") << "txtloopAdd_1" << "255" << "255" << QString() << "1";
    QTest::newRow("start 256") << "txtloopAdd_0" << "256" << "1" << startMsg << "5";
    QTest::newRow("start 999") << "txtloopAdd_0" << "999" << "1" << startMsg << "5";
}

void TstDialog::rangeBoxLimit()
{
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, message);
    QFETCH(QString, other);
    Fixture f;
    f.type(box.toLatin1().constData(), typed);
    QCOMPARE(f.box(box.toLatin1().constData())->text(), shown);
    QCOMPARE(f.op.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(f.box(box == QLatin1String("txtloopAdd_0") ? "txtloopAdd_1" : "txtloopAdd_0")->text(), other);
}

void TstDialog::saveChoice_data()
{
    QTest::addColumn<bool>("checked");
    QTest::newRow("checked") << true;
    QTest::newRow("unchecked") << false;
}

void TstDialog::saveChoice()
{
    QFETCH(bool, checked);
    Fixture f;
    f.settings.SaveEnabled = !checked;
    f.dlg->checkSave()->setChecked(checked);
    f.click("OKButton");
    QCOMPARE(f.settings.SaveEnabled, checked);
}

void TstDialog::loadedConfigKeptByOk_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("text1");   // interval box after the load
    QTest::addColumn<bool>("keeps");      // OK keeps the file's range and interval
    QTest::addColumn<int>("start");       // range after OK
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("interval");    // seconds after OK

    QTest::newRow("complete") << QByteArray("True\r\n10,12\r\n1,30\r\n0,1,0,T\r\n0,1,0,T\r\n0,1,0,T\r\n")
                              << "90" << true << 10 << 12 << 90;
    // The box shows the clamped interval; the file's 20 minutes stand.
    QTest::newRow("long interval") << QByteArray("False\r\n3,3\r\n20,0\r\n0,1,0,T\r\n") << "600" << true
                                   << 3 << 3 << 1200;
    // A file that ends early: OK reads the boxes, which the test then edits.
    QTest::newRow("partial") << QByteArray("True\r\n10,12\r\n1,30\r\n0,1,0,T\r\n") << "90" << false << 10
                             << 30 << 90;
}

void TstDialog::loadedConfigKeptByOk()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, text1);
    QFETCH(bool, keeps);
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(int, interval);
    Fixture f;
    f.op.openAnswers << f.writeFile(QStringLiteral("c.ini"), file);
    f.click("cmdConf");
    QVERIFY(f.op.messages.isEmpty());
    QCOMPARE(f.op.askedFolders, QStringList{f.dir.path()});
    QCOMPARE(f.dlg->txtloopAdd(0)->text(), readTextLines(file)[1].section(u',', 0, 0));
    QCOMPARE(f.dlg->Text1()->text(), text1);
    QCOMPARE(f.dlg->checkSave()->isChecked(), file.startsWith("True"));
    QCOMPARE(f.settings.ConfigLoaded, keeps);

    f.type("txtloopAdd_1", QStringLiteral("30"));
    f.click("OKButton");
    QVERIFY(f.op.messages.isEmpty());
    QCOMPARE(f.table.PollStart, start);
    QCOMPARE(f.table.PollEnd, end);
    QCOMPARE(f.settings.intervalSeconds(), interval);
    QVERIFY(f.settings.PollSettingsOk);
    QVERIFY(!f.settings.ConfigLoaded);
}

void TstDialog::refusedLoadLeavesTheBoxes()
{
    Fixture f;
    f.op.openAnswers << f.writeFile(QStringLiteral("bad.ini"), "True\r\n3,2\r\n0,5\r\n");
    f.click("cmdConf");
    QCOMPARE(f.op.texts(), QStringList{t8(settingstexts::ConfigFileBad)});
    QCOMPARE(f.dlg->txtloopAdd(0)->text(), QStringLiteral("1"));
    QCOMPARE(f.dlg->txtloopAdd(1)->text(), QStringLiteral("5"));
    QCOMPARE(f.dlg->Text1()->text(), QStringLiteral("1"));
    // The settings carry the refused file's values until OK reads the boxes.
    QCOMPARE(f.table.PollStart, 3);
    f.click("OKButton");
    QCOMPARE(f.table.PollStart, 1);
    QCOMPARE(f.table.PollEnd, 5);

    Fixture g;
    g.click("cmdConf"); // no file chosen
    QCOMPARE(g.op.texts(), QStringList{t8(settingstexts::ChooseConfigFile)});
    QVERIFY(g.dlg->isVisible());
}

void TstDialog::cancel_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("CancelButton") << 0;
    QTest::newRow("close box") << 1;
    QTest::newRow("Esc") << 2;
}

void TstDialog::cancel()
{
    QFETCH(int, how);
    Fixture f;
    f.table.PollStart = 2;
    f.table.PollEnd = 9;
    f.type("txtloopAdd_0", QStringLiteral("3"));
    f.type("Text1", QStringLiteral("77"));
    QSignalSpy cancelled(&f.request, &SettingsRequest::cancelled);
    QSignalSpy accepted(&f.request, &SettingsRequest::accepted);
    QSignalSpy answered(&f.request, &SettingsRequest::answered);
    if (how == 0)
        f.click("CancelButton");
    else if (how == 1)
        f.dlg->close();
    else
        QTest::keyClick(f.dlg->Text1(), Qt::Key_Escape);
    QVERIFY(f.settings.PollSettingsCancel);
    QVERIFY(!f.settings.PollSettingsOk);
    QCOMPARE(cancelled.size(), 1);
    QCOMPARE(accepted.size(), 0);
    QCOMPARE(answered.size(), 1);
    QCOMPARE(answered[0][0].toBool(), false);
    QCOMPARE(f.table.PollStart, 2);
    QCOMPARE(f.table.PollEnd, 9);
    QCOMPARE(int(f.settings.PollMinutes), 4);
    QTRY_VERIFY(f.dlg.isNull());
}

void TstDialog::dialog1_data()
{
    QTest::addColumn<int>("how"); // 0 OK with a name, 1 OK without a name, 2 Cancel, 3 close box
    QTest::addColumn<bool>("written");
    QTest::addColumn<QString>("message");
    QTest::newRow("OK, file named") << 0 << true << QString();
    QTest::newRow("OK, no name") << 1 << false << t8(settingstexts::EnterFileName);
    QTest::newRow("Cancel") << 2 << false << QString();
    QTest::newRow("close box") << 3 << false << QString();
}

void TstDialog::dialog1()
{
    QFETCH(int, how);
    QFETCH(bool, written);
    QFETCH(QString, message);
    QTemporaryDir dir;
    RecordingOperator op;
    PollSettings settings;
    settings.SaveEnabled = true;
    settings.setInterval(90);
    DeviceTable table;
    table.PollStart = 1;
    table.PollEnd = 5;
    QPointer<Dialog1> dlg = Dialog1::ask(op, settings, table, dir.path(), nullptr);
    QCOMPARE(dlg->windowTitle(), t8(settingstexts::SaveConfigCaption));
    const auto *label = dlg->findChild<QLabel *>(QStringLiteral("Label1"));
    QCOMPARE(label->text(), t8(settingstexts::SaveConfigQuestion));
    QVERIFY(!dlg->isModal());
    QVERIFY(dlg->isVisible());
    auto *ok = dlg->findChild<QPushButton *>(QStringLiteral("OKButton"));
    auto *cancel = dlg->findChild<QPushButton *>(QStringLiteral("CancelButton"));
    QCOMPARE(ok->text(), t8(settingstexts::Ok));
    QCOMPARE(cancel->text(), t8(settingstexts::Cancel));

    if (how == 0)
        op.saveAnswers << QStringLiteral("run.ini");
    if (how <= 1)
        QTest::mouseClick(ok, Qt::LeftButton);
    else if (how == 2)
        QTest::mouseClick(cancel, Qt::LeftButton);
    else
        dlg->close();

    QCOMPARE(op.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QVERIFY(!settings.SaveEnabled);
    QCOMPARE(QFile::exists(dir.filePath(QStringLiteral("run.ini"))), written);
    if (written) {
        QFile f(dir.filePath(QStringLiteral("run.ini")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        // Written with the run's save choice, before it is switched off.
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.startsWith("True\r\n1,5\r\n1,30\r\n"));
        QCOMPARE(bytes.count("\r\n"), 8);
    }
    QTRY_VERIFY(dlg.isNull());
}

QTEST_MAIN(TstDialog)
#include "tst_dialog.moc"
