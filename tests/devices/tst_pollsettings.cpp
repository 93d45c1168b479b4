// The polling interval split and the request through which the polling start waits for the dialog.
#include "devices/pollsettings.h"

#include <QSignalSpy>
#include <QtTest>

using namespace kestrel;

class TstPollSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void setInterval_data();
    void setInterval();
    void answers_data();
    void answers();
    void openClearsAStaleAnswer();
};

void TstPollSettings::setInterval_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<int>("rest");
    QTest::newRow("1 s") << 1 << 0 << 1;
    QTest::newRow("59 s") << 59 << 0 << 59;
    QTest::newRow("60 s") << 60 << 1 << 0;
    QTest::newRow("90 s") << 90 << 1 << 30;
    QTest::newRow("600 s") << 600 << 10 << 0;
    QTest::newRow("beyond a byte of minutes") << 99999 << 255 << 59;
    QTest::newRow("negative") << -5 << 0 << 0;
}

void TstPollSettings::setInterval()
{
    QFETCH(int, seconds);
    QFETCH(int, minutes);
    QFETCH(int, rest);
    PollSettings s;
    s.setInterval(seconds);
    QCOMPARE(int(s.PollMinutes), minutes);
    QCOMPARE(int(s.PollSeconds), rest);
    QCOMPARE(int(s.CountdownMinutes), minutes);
    QCOMPARE(int(s.CountdownSeconds), rest);
    QCOMPARE(s.intervalSeconds(), minutes * 60 + rest);
}

void TstPollSettings::answers_data()
{
    QTest::addColumn<bool>("opened");  // a polling start is waiting
    QTest::addColumn<bool>("ok");      // OK, else Cancel
    QTest::newRow("waiting, OK") << true << true;
    QTest::newRow("waiting, Cancel") << true << false;
    QTest::newRow("not waiting, OK") << false << true;
    QTest::newRow("not waiting, Cancel") << false << false;
}

void TstPollSettings::answers()
{
    QFETCH(bool, opened);
    QFETCH(bool, ok);
    PollSettings s;
    SettingsRequest r(s);
    QSignalSpy openSpy(&r, &SettingsRequest::openRequested);
    QSignalSpy accepted(&r, &SettingsRequest::accepted);
    QSignalSpy cancelled(&r, &SettingsRequest::cancelled);
    QSignalSpy answered(&r, &SettingsRequest::answered);
    if (opened) {
        r.open();
        r.open(); // a second click while the dialog is up asks for the same dialog
        QCOMPARE(openSpy.size(), 2);
        QVERIFY(r.waiting());
    }
    ok ? r.accept() : r.cancel();
    ok ? r.accept() : r.cancel(); // a second answer finds nobody waiting
    QCOMPARE(s.PollSettingsOk, ok);
    QCOMPARE(s.PollSettingsCancel, !ok);
    QCOMPARE(accepted.size(), ok ? 2 : 0);
    QCOMPARE(cancelled.size(), ok ? 0 : 2);
    QCOMPARE(answered.size(), opened ? 1 : 0);
    if (opened)
        QCOMPARE(answered[0][0].toBool(), ok);
    QVERIFY(!r.waiting());
}

void TstPollSettings::openClearsAStaleAnswer()
{
    PollSettings s;
    SettingsRequest r(s);
    r.cancel();
    r.accept();
    QVERIFY(s.PollSettingsOk && s.PollSettingsCancel);
    // The flags are read when openRequested arrives: both must already be clear.
    bool clearAtOpen = false;
    connect(&r, &SettingsRequest::openRequested, this,
            [&] { clearAtOpen = !s.PollSettingsOk && !s.PollSettingsCancel && r.waiting(); });
    r.open();
    QVERIFY(clearAtOpen);
}

QTEST_GUILESS_MAIN(TstPollSettings)
#include "tst_pollsettings.moc"
