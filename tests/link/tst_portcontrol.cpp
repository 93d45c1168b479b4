// The port side of the main window: COM and baud menus, the Com button, failures to open.
#include "common/fakeport.h"
#include "common/recordingoperator.h"
#include "link/portcontrol.h"

#include <QtTest>

using namespace kestrel;

namespace {
struct Rig {
    test::FakePort port;
    test::RecordingOperator op;
    PortControl pc{port, op};
    int stops = 0;
    Rig() { pc.stopTimers = [this] { ++stops; }; }

    // Port open, Com caption, lamp red, the checked COM items (1-based).
    void expect(bool open, const char *caption, bool lamp, const QList<int> &checked)
    {
        QList<int> on;
        for (int i = 0; i < 8; ++i)
            if (pc.comChecked(i))
                on << i + 1;
        QCOMPARE(port.isOpen(), open);
        QCOMPARE(pc.comCaption(), QString::fromUtf8(caption));
        QCOMPARE(pc.lampRed(), lamp);
        QCOMPARE(on, checked);
    }
};
} // namespace

class TstPortControl : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void menusAndButton()
    {
        Rig r;
        r.pc.startUp();
        r.expect(true, "关闭串口", true, {3});
        QVERIFY(r.port.portNumber() == 3 && r.port.baudRate() == 9600 && r.port.rts && r.port.dtr);
        for (auto [item, baud] : {std::pair{0, 1200}, {4, 19200}, {5, 115200}}) {
            r.pc.mnuBaudRate_Click(item);
            QCOMPARE(r.port.baudRate(), baud);
            QCOMPARE(r.pc.baudChecked(), item);
            r.expect(true, "关闭串口", true, {3}); // the port stays open
        }
        QVERIFY(r.op.messages.isEmpty());
        r.pc.mnu_com_Click(4);
        QCOMPARE(r.port.portNumber(), 5);
        r.expect(true, "关闭串口", true, {5});
        QCOMPARE(r.op.texts(), QStringList{"COM5成功打开"});
        r.pc.mnu_comclose_Click(); // closes, leaves the caption and the lamp
        r.expect(false, "关闭串口", true, {});
        QVERIFY(!r.port.rts && !r.port.dtr);
        r.pc.Com_Click();
        r.expect(false, "打开串口", false, {});
        QCOMPARE(r.stops, 1);
        r.pc.Com_Click();
        r.expect(true, "关闭串口", true, {5});
        QVERIFY(r.stops == 1 && r.op.messages.size() == 1);
    }

    void missingPortReportsAndGoesOn()
    {
        Rig r;
        r.port.failOpen = true;
        r.pc.startUp();
        QCOMPARE(r.op.texts().join('|'), "应用程序出错!\r\n错误代号：2\r\n错误描述：No such file or directory\r\n");
        QCOMPARE(r.op.messages.first().icon, Operator::Icon::Question);
        r.expect(false, "打开串口", false, {3});
        r.port.failOpen = false;
        r.pc.Com_Click(); // the button now offers to open, and one click tries again
        r.expect(true, "关闭串口", true, {3});
        r.port.failOpen = true;
        r.pc.mnu_com_Click(6);
        r.expect(false, "打开串口", false, {});
        QCOMPARE(r.op.messages.size(), 2);
    }
};

QTEST_GUILESS_MAIN(TstPortControl)
#include "tst_portcontrol.moc"
