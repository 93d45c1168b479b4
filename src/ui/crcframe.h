#pragma once
// The frame "CRC计算" (framCRC) of the main window: the command box txtSendCmd with its caption
// labcmd, the check box check1 (hexadecimal entry), the button cacCrc and the two CRC boxes
// txtcrchig and txtcrclow with their captions. It renders a CrcConsole and forwards the operator's
// typing and clicks to it; it never touches the serial port.
#include <QGroupBox>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace kestrel {

class CrcConsole;

class CrcFrame : public QGroupBox {
    Q_OBJECT
public:
    // Sizes in twips.
    static constexpr int BoxHeight = 300;
    static constexpr int CrcBoxWidth = 600;

    explicit CrcFrame(CrcConsole &console, QWidget *parent = nullptr);

    QLineEdit *txtSendCmd() const { return m_txtSendCmd; }
    QCheckBox *check1() const { return m_check1; }
    QPushButton *cacCrc() const { return m_cacCrc; }
    QLineEdit *txtcrchig() const { return m_txtcrchig; }
    QLineEdit *txtcrclow() const { return m_txtcrclow; }

    // Caret to the start of txtSendCmd, its whole text selected, the focus on it.
    void selectAll();

private:
    void render();
    void txtSendCmd_Click();
    int px(int twips) const;

    CrcConsole &m_console;
    QLineEdit *m_txtSendCmd = nullptr;
    QCheckBox *m_check1 = nullptr;
    QPushButton *m_cacCrc = nullptr;
    QLineEdit *m_txtcrchig = nullptr;
    QLineEdit *m_txtcrclow = nullptr;
};

} // namespace kestrel
