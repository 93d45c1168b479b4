// The CRC calculator without a window: normalising, the 50-byte limit, decimal and hexadecimal
// entry with their messages, the key rule, and the CRC of frames libmodbus puts on a serial line.
#include "common/recordingoperator.h"
#include "console/crcconsole.h"
#include "console/texts.h"
#include "link/crc16.h"
#include "ptylink.h"

#include <QtTest>
#include <functional>
#include <unistd.h>
#ifdef KESTREL_HAVE_LIBMODBUS
#include <modbus.h>
#endif

using namespace kestrel;
using namespace kestrel::texts::console;

namespace
{

QString t8(const char *t)
{
    return QString::fromUtf8(t);
}

QString spaced(const QByteArray &bytes, const char *format) // "%x" or "%d", one blank after each
{
    QString s;
    for (const char b : bytes)
        s += QString::asprintf(format, uint8_t(b)) + u' ';
    return s;
}

#ifdef KESTREL_HAVE_LIBMODBUS
// What libmodbus, talking to `slave`, writes on a serial line (a pseudo-terminal) while it does `act`.
QByteArray libmodbusSends(int slave, const std::function<void(modbus_t *)> &act)
{
    std::optional<sim::RawPty> pty = sim::openRawPty();
    if (!pty)
        return {};
    modbus_t *ctx = modbus_new_rtu(pty->device.toLocal8Bit().constData(), 9600, 'N', 8, 1);
    if (ctx && modbus_set_slave(ctx, slave) == 0 && modbus_connect(ctx) == 0) {
        modbus_set_response_timeout(ctx, 0, 20000); // nobody answers
        act(ctx);
        modbus_close(ctx);
    }
    modbus_free(ctx);
    QByteArray got;
    char buf[256];
    for (ssize_t n; (n = ::read(pty->master, buf, sizeof buf)) > 0;)
        got.append(buf, n);
    sim::closeRawPty(*pty);
    return got;
}
#endif

} // namespace

class TestCrcConsole : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Every case starts with the CRC of a read of address 0 (DB 85 on the wire) in the boxes.
    void cacCrc_data()
    {
        QTest::addColumn<bool>("hex");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("command"); // the box afterwards
        QTest::addColumn<QString>("high");
        QTest::addColumn<QString>("low");
        QTest::addColumn<QString>("message"); // title "Error"
        QTest::addColumn<bool>("selectAll");
        const auto row = [](const char *name, bool hex, const QString &typed, const QString &command,
                            const char *high, const char *low, const char *message = nullptr,
                            bool selectAll = false) {
            QTest::newRow(name) << hex << typed << command << QString(high) << QString(low)
                                << (message ? t8(message) : QString()) << selectAll;
        };
        row("hex rewritten to two digits", true, "1 3 0 0 0 1", "01 03 00 00 00 01 ", "0A", "84");
        row("decimal", false, "1 3 0 0 0 1", "1 3 0 0 0 1", "10", "132");
        row("blanks at the ends and runs", false, "  1   3 0  0 0    1  ", "1 3 0 0 0 1", "10", "132");
        row("tab and ideographic space", true, "\t1\t3 0\u30000 0 1\n", "01 03 00 00 00 01 ", "0A", "84");
        row("hex of any case and length", true, "d 3 0 002 00 2", "0D 03 00 02 00 02 ", "07", "65");
        row("zz counts as 00, 3g as 03", true, "1 3g 0 0 zz 1", "01 03 00 00 00 01 ", "0A", "84");
        row("decimal halves to even", false, "13 3 0 2.5 0 1.5", "13 3 0 2.5 0 1.5", "7", "101");
        // A frame followed by its CRC leaves 0; zero bytes after that keep it 0.
        const QString frame50 = "1 3 0 0 0 1 132 10" + QString(" 0").repeated(42);
        row("50 bytes accepted", false, frame50, frame50, "0", "0");
        row("51 bytes refused", false, " " + frame50 + "  0", frame50 + " 0", "219", "133", TooManyBytes,
            true);
        row("decimal 300", false, "1 3 300", "1 3 300", "219", "133", ByteOutOfRange);
        row("decimal 255.5", false, "255.5", "255.5", "219", "133", ByteOutOfRange);
        row("not a number empties the boxes", false, "1 x 3", "1 x 3", "", "", NotDecimal);
        row("hex 1FF keeps the parts before it", true, "1 1ff 3", "01 ", "DB", "85", ByteOutOfRange, true);
        row("hex of many digits", true, "0000000001 FFFFFFFFFFFFFFFFFFFF", "01 ", "DB", "85", ByteOutOfRange,
            true);
        row("empty", false, "", "", "219", "133", NoCommand);
        row("blanks only", true, "   ", "", "DB", "85", NoCommand);
    }
    void cacCrc()
    {
        QFETCH(bool, hex);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        test::RecordingOperator op;
        CrcConsole c(op);
        c.setHex(hex);
        c.setCommand(QStringLiteral("0 3 0 0 0 1"));
        QVERIFY(c.cacCrc_Click());
        QSignalSpy selected(&c, &CrcConsole::selectAllRequested);
        c.setCommand(typed);
        QCOMPARE(c.cacCrc_Click(), message.isEmpty());
        QTEST(c.command(), "command");
        QTEST(c.crcHigh(), "high");
        QTEST(c.crcLow(), "low");
        QCOMPARE(op.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(op.messages.value(0).title, message.isEmpty() ? QString() : t8(ErrorTitle));
        QTEST(!selected.isEmpty(), "selectAll");
    }

    void keyPress_data()
    {
        QTest::addColumn<bool>("hex");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("taken"); // empty: refused
        QTest::addColumn<QString>("message");
        const auto row = [](const char *name, bool hex, const QString &key, const QString &taken,
                            const char *message = nullptr) {
            QTest::newRow(name) << hex << key << taken << (message ? t8(message) : QString());
        };
        row("decimal digit", false, "7", "7");
        row("blank", false, " ", " ");
        row("Backspace", true, "\b", "\b");
        row("decimal: letter", false, "a", "", TypeDecimal);
        row("decimal: full-width digit", false, "\uFF17", "", TypeDecimal);
        row("hex: digit", true, "9", "9");
        row("hex: letter in upper case", true, "f", "F");
        row("hex: g", true, "g", "", TypeHex);
    }
    void keyPress()
    {
        QFETCH(bool, hex);
        QFETCH(QString, key);
        QFETCH(QString, message);
        test::RecordingOperator op;
        CrcConsole c(op);
        c.setHex(hex);
        const std::optional<QChar> k = c.txtSendCmd_KeyPress(key.front());
        QTEST(k ? QString(*k) : QString(), "taken");
        QCOMPARE(op.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(op.messages.value(0).title, QString()); // the application title
    }

    // Frames libmodbus writes end in the CRC of what comes before them, low byte first; the
    // calculator given those bytes shows the same two bytes, and given the whole frame 0 0.
    void peerFrames_data()
    {
        QTest::addColumn<QByteArray>("frame");
#ifndef KESTREL_HAVE_LIBMODBUS
        QSKIP("libmodbus was not found when building");
#else
        uint16_t regs[3] = {215, 456, 0xFFCE};
        const QByteArray read = libmodbusSends(1, [&](modbus_t *m) { modbus_read_registers(m, 2, 3, regs); });
        QTest::newRow("read 3 registers") << read;
        QTest::newRow("write 3 registers")
            << libmodbusSends(247, [&](modbus_t *m) { modbus_write_registers(m, 240, 3, regs); });
        uint8_t bits[328];
        for (int i = 0; i < 328; ++i)
            bits[i] = uint8_t(i % 3 == 0);
        QTest::newRow("write 328 coils: 50 bytes")
            << libmodbusSends(9, [&](modbus_t *m) { modbus_write_bits(m, 0, 328, bits); });
        modbus_mapping_t *map = modbus_mapping_new(0, 0, 8, 0);
        std::copy(regs, regs + 3, map->tab_registers + 2);
        QTest::newRow("reply with 3 registers") << libmodbusSends(1, [&](modbus_t *m) {
            modbus_reply(m, reinterpret_cast<const uint8_t *>(read.constData()), int(read.size()), map);
        });
        modbus_mapping_free(map);
#endif
    }
    void peerFrames()
    {
        QFETCH(QByteArray, frame);
        QVERIFY2(frame.size() >= 8, frame.toHex(' '));
        const qsizetype n = frame.size();
        const Crc crc = CRC16(frame, int(n - 2));
        QCOMPARE(crc.lo, uint8_t(frame[n - 2]));
        QCOMPARE(crc.hi, uint8_t(frame[n - 1]));

        test::RecordingOperator op;
        CrcConsole c(op);
        c.setHex(true);
        c.setCommand(spaced(frame.left(n - 2), "%x"));
        QVERIFY(c.cacCrc_Click());
        QCOMPARE(c.crcLow(), frame.mid(n - 2, 1).toHex().toUpper());
        QCOMPARE(c.crcHigh(), frame.mid(n - 1, 1).toHex().toUpper());
        c.setHex(false);
        c.setCommand(spaced(frame, "%d"));
        QVERIFY(c.cacCrc_Click());
        QCOMPARE(c.crcHigh() + u' ' + c.crcLow(), QStringLiteral("0 0"));
    }
};

QTEST_GUILESS_MAIN(TestCrcConsole)
#include "tst_crcconsole.moc"
