#pragma once
// The CRC calculator of the main window. The operator types a command as byte values separated by
// blanks, in decimal or (check1 ticked) in hexadecimal, and sees the two bytes of its Modbus CRC-16
// in the boxes txtcrchig and txtcrclow. It computes and shows only: nothing goes to the serial port.
// Input errors are reported to the operator under the title "Error"; the refused keys under the
// application title.
#include <QObject>
#include <QString>
#include <optional>

namespace kestrel {

class Operator;

// Trims the blanks at both ends and turns every run of blanks between parts into one. Any white
// space (a tab or a line end pasted in, an ideographic space) counts as a blank.
QString normaliseBlanks(const QString &text);

class CrcConsole : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxBytes = 50;

    explicit CrcConsole(Operator &op, QObject *parent = nullptr);

    // The command box txtSendCmd, the check box check1 and the two CRC boxes.
    QString command() const { return m_command; }
    bool hex() const { return m_hex; }
    QString crcHigh() const { return m_high; }
    QString crcLow() const { return m_low; }

    // The command box's text, however it changed (typed, pasted, set).
    void setCommand(const QString &text);
    void setHex(bool on);

    // Normalises the command, converts its parts to bytes and shows their CRC. False when the
    // command was refused (the operator has been told why).
    bool cacCrc_Click();

    // One typed character. Returns the character the box takes (hexadecimal letters in upper case),
    // or nothing when the key is refused (the operator is told) or is Enter ('\r'), which calculates.
    std::optional<QChar> txtSendCmd_KeyPress(QChar key);

Q_SIGNALS:
    void changed();
    // Caret to the start of the command box, its whole text selected, the focus on it.
    void selectAllRequested();

private:
    bool convertDecimal(const QStringList &parts, QByteArray &bytes);
    bool convertHex(const QStringList &parts, QByteArray &bytes);
    void error(const char *text);
    void show(const QString &command, const QString &high, const QString &low);

    Operator &m_op;
    QString m_command;
    bool m_hex = false;
    QString m_high;
    QString m_low;
};

} // namespace kestrel
