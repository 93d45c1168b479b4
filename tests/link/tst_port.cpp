// The port side after failures: the Com button's caption against what its click does, a baud
// rate the port refuses, and the words the operator gets for common port failures.
#include "common/log.h"
#include "common/recordingoperator.h"
#include "common/simprocess.h"
#include "link/portcontrol.h"
#include "link/qtserialport.h"
#include "link/texts.h"

#include <QtTest>

using namespace kestrel;

namespace {

// A port that opens and takes a baud rate only when told to.
class ScriptedPort : public SerialPort {
public:
    bool opens = true, takesBaud = true;
    bool open() override { return m_open = opens; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    bool write(const QByteArray &) override { return m_open; }
    QByteArray readAll() override { return {}; }
    qint64 bytesWaiting() const override { return 0; }
    void discardInput() override {}
    Error lastError() const override
    {
        return {12, QStringLiteral("refused"), QStringLiteral("system words")};
    }
    void setPortNumber(int n) override { m_number = n; }
    int portNumber() const override { return m_number; }
    QString devicePath() const override { return QStringLiteral("/dev/ttyS%1").arg(m_number - 1); }
    QString devicePathFor(int n) const override { return QStringLiteral("/dev/ttyS%1").arg(n - 1); }
    bool setBaudRate(int baud) override { return takesBaud && (m_baud = baud, true); }
    int baudRate() const override { return m_baud; }
    void setRts(bool) override {}
    void setDtr(bool) override {}

private:
    bool m_open = false;
    int m_number = 1, m_baud = 9600;
};

QString t8(const char *s)
{
    return QString::fromUtf8(s);
}

} // namespace

class TstPort : public QObject {
    Q_OBJECT
    QTemporaryDir m_logDir;

private Q_SLOTS:
    void initTestCase() { setLogFolder(m_logDir.path()); }

    // COM3 cannot be opened at start-up; COM5 is then opened from the menu. The button reads
    // "关闭串口", and its first click closes the port.
    void captionSaysWhatTheClickDoes()
    {
        ScriptedPort port;
        test::RecordingOperator op;
        PortControl pc(port, op);
        port.opens = false;
        pc.startUp();
        QCOMPARE(pc.comCaption(), t8(texts::link::OpenPort));
        port.opens = true;
        pc.mnu_com_Click(4);
        QCOMPARE(pc.comCaption(), t8(texts::link::ClosePort));
        pc.Com_Click();
        QCOMPARE(port.isOpen(), false);
        QCOMPARE(pc.comCaption(), t8(texts::link::OpenPort));
        pc.Com_Click();
        QCOMPARE(port.isOpen(), true);
        QCOMPARE(pc.comCaption(), t8(texts::link::ClosePort));
    }

    // A rate the port refuses is reported as port errors are; the menu keeps the rate in use checked.
    void refusedBaudRateIsTold()
    {
        ScriptedPort port;
        test::RecordingOperator op;
        PortControl pc(port, op);
        pc.startUp();
        pc.mnuBaudRate_Click(4);
        port.takesBaud = false;
        pc.mnuBaudRate_Click(5);
        QCOMPARE(pc.baudChecked(), 4);
        QCOMPARE(op.messages.size(), 1);
        QVERIFY(op.messages[0].text.startsWith(t8(texts::link::AppError)));
        QVERIFY(op.messages[0].text.contains(t8(texts::link::BaudFailed)));
        QCOMPARE(pc.comCaption(), t8(texts::link::ClosePort)); // the port stays open
    }

    // The box describes the failure in Chinese; the system's words go to kestrel.log.
    void portFailureInChinese_data()
    {
        QTest::addColumn<bool>("unplug"); // the adapter goes away while open; else it never existed
        QTest::addColumn<QString>("description");
        QTest::newRow("no such device") << false << t8(texts::link::PortNotFound);
        QTest::newRow("removed while open") << true << t8(texts::link::PortRemoved);
    }
    void portFailureInChinese()
    {
        QFETCH(bool, unplug);
        QFETCH(QString, description);
        test::SimProcess sim;
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        PortMap map;
        map.set(3, unplug ? sim.linkPath() : m_logDir.filePath(QStringLiteral("ttyUSB9")));
        QtSerialPort port(map);
        test::RecordingOperator op;
        PortControl pc(port, op);
        QFile::remove(logFilePath());
        pc.startUp();
        if (unplug) {
            QVERIFY(port.isOpen());
            sim.stop();
            QTRY_VERIFY(!port.isOpen());
        }
        QCOMPARE(op.messages.size(), 1);
        QVERIFY2(op.messages[0].text.contains(description), qPrintable(op.messages[0].text));
        QVERIFY(!op.messages[0].text.contains(port.lastError().systemText));
        QFile log(logFilePath());
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(log.readAll()).contains(port.lastError().systemText));
    }
};

QTEST_GUILESS_MAIN(TstPort)
#include "tst_port.moc"
