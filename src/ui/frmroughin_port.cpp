// The port menu "通讯端口(&C)", the Com button and the lamp.
#include "frmroughin.h"
#include "common/tr8.h"

#include "lamp.h"
#include "link/texts.h"
#include "station/station.h"

#include <QActionGroup>
#include <QHBoxLayout>
#include <QLayout>
#include <QMenuBar>
#include <QPushButton>

namespace kestrel {

void frmroughin::buildPortMenu()
{
    PortControl &pc = m_station.portControl;
    m_comMenu = menuBar()->addMenu(tr8(texts::link::PortMenu));
    m_comMenu->setObjectName(QStringLiteral("mnu_comsetting"));
    m_comMenu->setToolTipsVisible(true);
    static_assert(std::tuple_size_v<decltype(m_com)> == PortControl::Ports);
    static_assert(std::tuple_size_v<decltype(m_baud)> == PortControl::BaudCount);
    for (int i = 0; i < PortControl::Ports; ++i) {
        QAction *a = m_comMenu->addAction(QStringLiteral("COM%1").arg(i + 1));
        a->setObjectName(QStringLiteral("mnu_com_%1").arg(i));
        a->setCheckable(true);
        a->setToolTip(m_station.port.devicePathFor(i + 1)); // the device behind the item
        connect(a, &QAction::triggered, this, [this, i] { m_station.portControl.mnu_com_Click(i); });
        m_com[static_cast<size_t>(i)] = a;
    }
    m_comMenu->addSeparator();
    for (int i = 0; i < PortControl::BaudCount; ++i) {
        QAction *a = m_comMenu->addAction(QString::number(PortControl::BaudItems[static_cast<size_t>(i)]));
        a->setObjectName(QStringLiteral("mnuBaudRate_%1").arg(i));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, i] { m_station.portControl.mnuBaudRate_Click(i); });
        m_baud[static_cast<size_t>(i)] = a;
    }
    m_comMenu->addSeparator();
    QAction *close = m_comMenu->addAction(tr8(texts::link::PortCloseItem));
    close->setObjectName(QStringLiteral("mnu_comclose"));
    connect(close, &QAction::triggered, this, [this] { m_station.portControl.mnu_comclose_Click(); });
    connect(&pc, &PortControl::changed, this, &frmroughin::renderPort);
}

void frmroughin::buildPortControls(QWidget *host)
{
    auto *row = new QWidget(host);
    row->setObjectName(QStringLiteral("portRow"));
    auto *l = new QHBoxLayout(row);
    l->setContentsMargins(0, 0, 0, 0);
    m_Com = new QPushButton(row);
    m_Com->setObjectName(QStringLiteral("Com"));
    m_shape1 = new Lamp(row);
    m_shape1->setObjectName(QStringLiteral("shape1"));
    m_shape1->setAccessibleName(tr8(texts::link::LampName));
    l->addWidget(m_Com);
    l->addWidget(m_shape1);
    l->addStretch(1);
    host->layout()->addWidget(row);
    connect(m_Com, &QPushButton::clicked, this, [this] { m_station.portControl.Com_Click(); });
}

void frmroughin::renderPort()
{
    const PortControl &pc = m_station.portControl;
    for (int i = 0; i < PortControl::Ports; ++i)
        m_com[static_cast<size_t>(i)]->setChecked(pc.comChecked(i));
    for (int i = 0; i < PortControl::BaudCount; ++i)
        m_baud[static_cast<size_t>(i)]->setChecked(pc.baudChecked() == i);
    m_Com->setText(pc.comCaption());
    m_shape1->setColor(pc.lampRed() ? QColor(255, 0, 0) : QColor(0, 0, 0));
}

} // namespace kestrel
