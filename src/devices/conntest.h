#pragma once
// The connectivity test: walks an address range, asks each device for its product type, logs
// one line per device and records the types found in the device table and in SAVEPRO. It
// repeats the walk a given number of passes, or until every address has answered once; a device
// that answered in an earlier pass is not asked again. Passes are 500 ms apart; the run lives on
// the event loop (a pass runs on a timer tick), so the dialog stays live and a waiting run costs
// nothing.
//
// The boxes of the test face and the log are held here; the dialog renders them and writes the
// operator's typing back.
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

namespace kestrel {

class CommissioningHost;
class DeviceTable;
class Exchange;
class Operator;
class Timer;
class TimerFactory;

class ConnTest : public QObject {
    Q_OBJECT
public:
    static constexpr int PassPauseMs = 500;

    ConnTest(Exchange &exchange, DeviceTable &devices, Operator &op, TimerFactory &timers,
             CommissioningHost &host, QObject *parent = nullptr);
    ~ConnTest() override;

    // The test face's boxes as typed, and the log.
    QString txtloopAdd2 = QStringLiteral("1"); // first address
    QString txtloopAdd3 = QStringLiteral("5"); // last address, read again at every pass
    QString Text3 = QStringLiteral("1");       // passes; 0 repeats until every device has answered
    QString Text2;                             // the log: CR LF before every line

    bool StopTest = false;
    uint8_t okCount = 0;    // devices that answered since the start, over all passes
    int32_t repeatLeft = 0; // passes still to run

    bool running() const { return m_running; }

    // "通讯测试" of the main window: Timer3 off, the test face opened with a fresh log.
    void cmdConn_Click();
    // "开始测试": starts a run when none is running and the boxes hold a usable range and count.
    void cmdtest_Click();
    // "停止测试": the run ends after the device in hand, at once between passes.
    void cmdstop_Click();
    // "清空日志": the log becomes a single blank.
    void cmdcls_Click();
    // "退出": the run stops, the tested range becomes the polling range, the face closes.
    void cmdExig_Click();
    // The dialog's close box: as "退出", but the polling range stays as it was.
    void closeBox();

Q_SIGNALS:
    void changed();        // the log or the running state
    void openRequested();  // show the test face
    void closeRequested(); // close the test face
    void finished();       // a run has ended

private:
    void runPass();
    void testDevice(int address);
    void appendLine(const QString &line);
    void finish();
    void leave();

    Exchange &m_exchange;
    DeviceTable &m_devices;
    Operator &m_op;
    CommissioningHost &m_host;
    std::unique_ptr<Timer> m_pause;
    bool m_running = false;
    bool m_inPass = false;
    int m_next = 1;         // the address the pass goes on from (CurAddr of the walk)
    QString m_storeFailure; // the first data base failure of the run
};

} // namespace kestrel
