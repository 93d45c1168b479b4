// The request through which the polling start waits for the settings dialog's answer.
#include "devices/pollsettings.h"

#include <QSignalSpy>
#include <QtTest>

using namespace kestrel;

class TstPollSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void oneAnswerPerOpen()
    {
        PollSettings s;
        SettingsRequest r(s);
        QSignalSpy answered(&r, &SettingsRequest::answered);
        QSignalSpy accepted(&r, &SettingsRequest::accepted);
        r.cancel();
        r.accept(); // nobody waits: only the flags and the plain signals
        QVERIFY(s.PollSettingsOk && s.PollSettingsCancel && answered.isEmpty() && accepted.size() == 1);
        // The flags are read when openRequested arrives: both must already be clear.
        int clearAtOpen = 0;
        connect(&r, &SettingsRequest::openRequested, this,
                [&] { clearAtOpen += !s.PollSettingsOk && !s.PollSettingsCancel && r.waiting(); });
        r.open();
        r.open(); // a second click while the dialog is up asks for the same dialog
        QCOMPARE(clearAtOpen, 2);
        r.cancel();
        r.accept(); // a second answer finds nobody waiting
        QCOMPARE(answered.size(), 1);
        QCOMPARE(answered[0][0].toBool(), false);
        QCOMPARE(accepted.size(), 2);
        QVERIFY(!r.waiting());
    }
};

QTEST_GUILESS_MAIN(TstPollSettings)
#include "tst_pollsettings.moc"
