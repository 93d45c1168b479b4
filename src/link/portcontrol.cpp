#include "portcontrol.h"
#include "common/tr8.h"

#include "common/log.h"
#include "common/operator.h"
#include "texts.h"

namespace kestrel {

PortControl::PortControl(SerialPort &port, Operator &op, QObject *parent)
    : QObject(parent), m_port(port), m_op(op)
{
    // An adapter pulled out while open is reported like a port that cannot be opened.
    connect(&m_port, &SerialPort::lost, this, [this] {
        uncheckAllPorts();
        showPortError(QStringLiteral("OnComm"));
    });
}

QString PortControl::comCaption() const
{
    // The caption always says what a click does.
    return tr8(m_toggle ? texts::link::OpenPort : texts::link::ClosePort);
}

void PortControl::uncheckAllPorts()
{
    m_comChecked.fill(false);
}

bool PortControl::openPort()
{
    if (m_port.isOpen())
        return true;
    return m_port.open();
}

void PortControl::startUp()
{
    uncheckAllPorts();
    m_comChecked[2] = true;
    m_portNumber = 3;
    m_port.close();
    m_port.setPortNumber(3);
    if (!openPort()) {
        showPortError(QStringLiteral("Form_Load"));
        return;
    }
    m_port.setRts(true);
    m_port.setDtr(true);
    Q_EMIT changed();
}

void PortControl::mnu_com_Click(int index)
{
    if (index < 0 || index >= Ports)
        return;
    uncheckAllPorts();
    m_port.close();
    m_portNumber = index + 1;
    m_port.setPortNumber(index + 1);
    if (!openPort()) {
        showPortError(QStringLiteral("mnu_com_Click"));
        return;
    }
    m_port.setRts(true);
    m_port.setDtr(true);
    m_comChecked[static_cast<size_t>(index)] = true;
    m_lampRed = true;
    m_toggle = false; // the button now closes the port it shows as open
    Q_EMIT changed();
    m_op.message(QStringLiteral("COM%1").arg(index + 1) + tr8(texts::link::OpenedSuffix));
}

void PortControl::mnuBaudRate_Click(int index)
{
    if (index < 0 || index >= BaudCount)
        return;
    // The item's caption is the rate the operator gets; the sixth item is 115200 baud.
    if (!m_port.setBaudRate(BaudItems[static_cast<size_t>(index)])) {
        // The check stays on the rate in use; the system's reason goes to the log.
        reportPortError(QStringLiteral("mnuBaudRate_Click"),
                        tr8(texts::link::BaudFailed) +
                            QStringLiteral(" %1").arg(BaudItems[static_cast<size_t>(index)]));
        return;
    }
    m_baudChecked = index;
    Q_EMIT changed();
}

void PortControl::Com_Click()
{
    if (!m_toggle) {
        m_port.close();
        Q_EMIT portClosed();
        m_port.setRts(false);
        m_port.setDtr(false);
        m_toggle = true;
        m_comChecked[static_cast<size_t>(m_portNumber - 1)] = false;
        m_lampRed = false;
        Q_EMIT changed();
        return;
    }
    m_toggle = false;
    if (!openPort()) {
        showPortError(QStringLiteral("Com_Click"));
        return;
    }
    m_comChecked[static_cast<size_t>(m_portNumber - 1)] = true;
    m_port.setRts(true);
    m_port.setDtr(true);
    m_lampRed = true;
    Q_EMIT changed();
}

void PortControl::mnu_comclose_Click()
{
    m_port.close();
    m_port.setRts(false);
    m_port.setDtr(false);
    uncheckAllPorts();
    Q_EMIT changed();
}

void PortControl::showPortError(const QString &handler)
{
    // The caption now offers to open the port, and a click on it does so.
    m_toggle = true;
    m_lampRed = false;
    Q_EMIT changed();
    reportPortError(handler);
}

void PortControl::reportPortError(const QString &handler, const QString &description)
{
    ByteTransport::Error e = m_port.lastError();
    if (!description.isEmpty())
        e.description = description;
    const QString number = QString::number(e.number);
    const QString crlf = QStringLiteral("\r\n");
    const QString detail = tr8(texts::link::ErrorNumber) + number + crlf +
                           tr8(texts::link::ErrorDescription) + e.description + crlf;
    // The log keeps its own texts whatever the interface language.
    appendLog(fileText(texts::link::AppError) + QStringLiteral(" ") + fileText(texts::link::ErrorNumber) +
              number + crlf + fileText(texts::link::ErrorDescription) + e.description + crlf + e.systemText +
              crlf + fileText(texts::link::ErrorSource) +
              QStringLiteral("frmroughin.%1 (%2)").arg(handler, m_port.devicePath()) + crlf +
              fileText(texts::link::ErrorLine) + QStringLiteral("COM%1").arg(m_portNumber) + crlf);
    m_op.message(tr8(texts::link::AppError) + crlf + detail, QString(), Operator::Icon::Question);
}

} // namespace kestrel
