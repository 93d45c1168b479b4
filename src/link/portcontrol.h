#pragma once
// The main window's port side: the COM and baud menus, the open/close button `Com` with its
// lamp `shape1`, and the report of a port that cannot be opened. State lives here; the window
// renders it.
#include "serialport.h"

#include <QObject>
#include <array>

namespace kestrel {

class Operator;

class PortControl : public QObject {
    Q_OBJECT
public:
    static constexpr int Ports = 8;
    static constexpr std::array<int, 6> BaudItems{1200, 2400, 4800, 9600, 19200, 115200};
    static constexpr int BaudCount = static_cast<int>(BaudItems.size());

    PortControl(SerialPort &port, Operator &op, QObject *parent = nullptr);

    // The port steps of start-up: COM3 checked, closed if open, opened, RTS and DTR raised.
    void startUp();
    void mnu_com_Click(int index);
    void mnuBaudRate_Click(int index);
    void Com_Click();
    void mnu_comclose_Click();

    int portNumber() const { return m_portNumber; }
    bool comChecked(int index) const { return m_comChecked[static_cast<size_t>(index)]; }
    int baudChecked() const { return m_baudChecked; } // -1 until a baud item is chosen
    bool buttonToggle() const { return m_toggle; }
    bool lampRed() const { return m_lampRed; }
    QString comCaption() const;
    bool portOpen() const { return m_port.isOpen(); }

Q_SIGNALS:
    void changed();
    // The button closed the port: polling and the timed reading stop.
    void portClosed();

private:
    void showPortError(const QString &handler);
    // The message box and the log line only; `description` replaces the port's own.
    void reportPortError(const QString &handler, const QString &description = {});
    bool openPort();
    void uncheckAllPorts();

    SerialPort &m_port;
    Operator &m_op;
    int m_portNumber = 3;
    std::array<bool, Ports> m_comChecked{};
    int m_baudChecked = -1;
    bool m_toggle = false;
    bool m_lampRed = true;
};

} // namespace kestrel
