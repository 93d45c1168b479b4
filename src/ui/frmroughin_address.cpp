// The address frame Frame5 ("读取" and "设置" beside the address and name boxes) and the way
// into the connectivity test ("通讯测试").
#include "frmroughin.h"
#include "common/tr8.h"

#include "devices/texts.h"
#include "dialog.h"
#include "station/station.h"
#include "valueframe.h"

#include <QGroupBox>
#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>

namespace kestrel {

void frmroughin::buildAddressFrame(QWidget *host)
{
    auto *frame = new QGroupBox(host);
    frame->setObjectName(QStringLiteral("Frame5"));
    auto *g = new QGridLayout(frame);
    // The value frame's address and name boxes move here, each after its caption label, with the
    // address's two commands beside them.
    const QList<QLabel *> labels = m_valueFrame->findChildren<QLabel *>();
    auto *read = new QPushButton(tr8(texts::devices::AddressRead), frame);
    read->setObjectName(QStringLiteral("CmdAddread"));
    auto *set = new QPushButton(tr8(texts::devices::AddressSet), frame);
    set->setObjectName(QStringLiteral("CmdSetAddress"));
    int row = 0;
    for (QLineEdit *box : {m_valueFrame->TxtB1(), m_valueFrame->Text2()}) {
        for (QLabel *label : labels)
            if (label->buddy() == box)
                g->addWidget(label, row, 0);
        g->addWidget(box, row, 1);
        g->addWidget(row == 0 ? read : set, row, 2);
        ++row;
    }
    g->setColumnStretch(1, 1);
    // Below the value frame.
    auto *column = qobject_cast<QBoxLayout *>(host->layout());
    column->insertWidget(column->indexOf(m_valueFrame) + 1, frame);
    m_Frame5 = frame;

    AddressCommands &address = m_station.address;
    connect(read, &QPushButton::clicked, this, [&address] { address.CmdAddread_Click(); });
    connect(set, &QPushButton::clicked, this, [&address] { address.CmdSetAddress_Click(); });

    ConnTest &test = m_station.conntest;
    connect(m_cmdConn, &QPushButton::clicked, &test, &ConnTest::cmdConn_Click);
    connect(&test, &ConnTest::openRequested, this, [this] {
        Station &s = m_station;
        Dialog::openTestFace(s.op, s.settingsRequest, s.devices, s.dataFolder, s.conntest, this);
    });
    connect(&m_station, &Station::changed, this, &frmroughin::renderAddressFrame);
    renderAddressFrame();
}

void frmroughin::renderAddressFrame()
{
    m_Frame5->setEnabled(m_station.framesEnabled());
    m_cmdConn->setEnabled(m_station.cmdConnEnabled);
}

} // namespace kestrel
