// The port side of the main window: COM and baud menus, the Com button, failures to open.
#include "common/fakeport.h"
#include "common/recordingoperator.h"
#include "link/portcontrol.h"

#include <QtTest>

using namespace kestrel;
using test::FakePort;
using test::RecordingOperator;

class TstPortControl : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startUpOpensCom3Checked()
    {
        FakePort port;
        RecordingOperator op;
        PortControl pc(port, op);
        pc.startUp();
        QVERIFY(port.isOpen());
        QCOMPARE(port.portNumber(), 3);
        QCOMPARE(port.baudRate(), 9600);
        QVERIFY(port.rts && port.dtr);
        for (int i = 0; i < 8; ++i)
            QCOMPARE(pc.comChecked(i), i == 2);
        QCOMPARE(pc.comCaption(), QStringLiteral("关闭串口"));
        QVERIFY(pc.lampRed());
        QVERIFY(op.messages.isEmpty());
    }

    void choosingCom5()
    {
        FakePort port;
        RecordingOperator op;
        PortControl pc(port, op);
        pc.startUp();
        pc.mnu_com_Click(4);
        QCOMPARE(port.portNumber(), 5);
        QVERIFY(port.isOpen());
        for (int i = 0; i < 8; ++i)
            QCOMPARE(pc.comChecked(i), i == 4);
        QCOMPARE(op.texts(), QStringList{QStringLiteral("COM5成功打开")});
    }

    void baudKeepsPortOpen_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("baud");
        QTest::newRow("1200") << 0 << 1200;
        QTest::newRow("19200") << 4 << 19200;
        QTest::newRow("115200 as captioned") << 5 << 115200;
    }
    void baudKeepsPortOpen()
    {
        QFETCH(int, index);
        QFETCH(int, baud);
        FakePort port;
        RecordingOperator op;
        PortControl pc(port, op);
        pc.startUp();
        pc.mnuBaudRate_Click(index);
        QVERIFY(port.isOpen());
        QCOMPARE(port.baudRate(), baud);
        QCOMPARE(pc.baudChecked(), index);
        QVERIFY(op.messages.isEmpty());
    }

    void closeMenuLeavesButtonAndLamp()
    {
        FakePort port;
        RecordingOperator op;
        PortControl pc(port, op);
        pc.startUp();
        pc.mnu_comclose_Click();
        QVERIFY(!port.isOpen());
        QVERIFY(!port.rts && !port.dtr);
        for (int i = 0; i < 8; ++i)
            QVERIFY(!pc.comChecked(i));
        QCOMPARE(pc.comCaption(), QStringLiteral("关闭串口"));
        QVERIFY(pc.lampRed());
    }

    void buttonClosesThenOpens()
    {
        FakePort port;
        RecordingOperator op;
        PortControl pc(port, op);
        int stops = 0;
        pc.stopTimers = [&] { ++stops; };
        pc.startUp();
        pc.Com_Click();
        QVERIFY(!port.isOpen());
        QCOMPARE(stops, 1);
        QCOMPARE(pc.comCaption(), QStringLiteral("打开串口"));
        QVERIFY(!pc.lampRed());
        QVERIFY(!pc.comChecked(2));
        pc.Com_Click();
        QVERIFY(port.isOpen());
        QCOMPARE(pc.comCaption(), QStringLiteral("关闭串口"));
        QVERIFY(pc.lampRed());
        QVERIFY(pc.comChecked(2));
        QCOMPARE(stops, 1);
    }

    void missingPortReportsAndGoesOn()
    {
        FakePort port;
        port.failOpen = true;
        RecordingOperator op;
        PortControl pc(port, op);
        pc.startUp();
        QCOMPARE(op.messages.size(), 1);
        const QString text = op.messages.first().text;
        QVERIFY(text.startsWith(QStringLiteral("应用程序出错!\r\n错误代号：2\r\n错误描述：")));
        QVERIFY(text.contains(QStringLiteral("No such file or directory")));
        QVERIFY(!text.contains(QStringLiteral("错误来源")));
        QCOMPARE(op.messages.first().icon, Operator::Icon::Question);
        QCOMPARE(pc.comCaption(), QStringLiteral("打开串口"));
        QVERIFY(!pc.lampRed());
        // The button now offers to open, and one click tries again.
        port.failOpen = false;
        pc.Com_Click();
        QVERIFY(port.isOpen());
        QCOMPARE(pc.comCaption(), QStringLiteral("关闭串口"));
    }

    void menuFailureLeavesPortClosed()
    {
        FakePort port;
        RecordingOperator op;
        PortControl pc(port, op);
        pc.startUp();
        port.failOpen = true;
        pc.mnu_com_Click(6);
        QVERIFY(!port.isOpen());
        QCOMPARE(op.messages.size(), 1);
        QVERIFY(op.messages.first().text.startsWith(QStringLiteral("应用程序出错!")));
        for (int i = 0; i < 8; ++i)
            QVERIFY(!pc.comChecked(i));
    }
};

QTEST_GUILESS_MAIN(TstPortControl)
#include "tst_portcontrol.moc"
