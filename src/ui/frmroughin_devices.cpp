// The device frame (grid, add device, rename, message line) and the polling buttons.
#include "frmroughin.h"
#include "common/tr8.h"

#include "devices/texts.h"
#include "dialog.h"
#include "dialog1.h"
#include "entrybox.h"
#include "gridview.h"
#include "monitor.h"
#include "valueframe.h"
#include "polling/texts.h"
#include "station/station.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>

namespace kestrel {

void frmroughin::buildPollingButtons(QWidget *host)
{
    auto *row = new QWidget(host);
    row->setObjectName(QStringLiteral("pollingRow"));
    auto *l = new QHBoxLayout(row);
    l->setContentsMargins(0, 0, 0, 0);
    m_cmdLoopR = new QPushButton(row);
    m_cmdLoopR->setObjectName(QStringLiteral("cmdLoopR"));
    m_cmdLoopP = new QPushButton(row);
    m_cmdLoopP->setObjectName(QStringLiteral("cmdLoopP"));
    m_cmdConn = new QPushButton(tr8(texts::devices::ConnTest), row);
    m_cmdConn->setObjectName(QStringLiteral("cmdConn"));
    l->addWidget(m_cmdLoopR);
    l->addWidget(m_cmdLoopP);
    l->addWidget(m_cmdConn);
    l->addStretch(1);
    host->layout()->addWidget(row);
    Polling &p = m_station.polling;
    connect(m_cmdLoopR, &QPushButton::clicked, this, [&p] { p.cmdLoopR_Click(); });
    connect(m_cmdLoopP, &QPushButton::clicked, this, [&p] { p.cmdLoopP_Click(); });
    connect(&m_station, &Station::changed, this, &frmroughin::renderPolling);
    connect(&m_station.settingsRequest, &SettingsRequest::openRequested, this,
            &frmroughin::openSettingsDialog);
    connect(&m_station, &Station::dialog1Requested, this, &frmroughin::openDialog1);
}

QWidget *frmroughin::buildDeviceFrame(QWidget *parent)
{
    auto *frame = new QGroupBox(tr8(texts::devices::DeviceFrame), parent);
    frame->setObjectName(QStringLiteral("deviceFrame"));
    auto *g = new QGridLayout(frame);
    auto *grid = new GridView(m_station.grid, frame);
    grid->setObjectName(QStringLiteral("grid"));
    grid->setAccessibleName(tr8(texts::devices::DeviceFrame));
    m_grid = grid;
    addFaultTooltips(grid, m_station.traffic);
    g->addWidget(grid, 0, 0, 1, 4);

    auto *l4 = new QLabel(tr8(texts::devices::AddressLabel), frame);
    m_Text4 = new QLineEdit(frame);
    m_Text4->setObjectName(QStringLiteral("Text4"));
    makeDigitsOnly(m_Text4);
    l4->setBuddy(m_Text4);
    auto *add = new QPushButton(tr8(texts::devices::AddDevice), frame);
    add->setObjectName(QStringLiteral("cmdAddDev"));
    g->addWidget(l4, 1, 0);
    g->addWidget(m_Text4, 1, 1);
    g->addWidget(add, 1, 2);

    auto *l3 = new QLabel(tr8(texts::devices::AliasLabel), frame);
    m_Text3 = new QLineEdit(frame);
    m_Text3->setObjectName(QStringLiteral("Text3"));
    l3->setBuddy(m_Text3);
    auto *alias = new QPushButton(tr8(texts::devices::Rename), frame);
    alias->setObjectName(QStringLiteral("cmdAlias"));
    g->addWidget(l3, 2, 0);
    g->addWidget(m_Text3, 2, 1);
    g->addWidget(alias, 2, 2);

    auto *l5 = new QLabel(tr8(texts::devices::StatusLabel), frame);
    m_Text5 = new QLineEdit(frame);
    m_Text5->setObjectName(QStringLiteral("Text5"));
    m_Text5->setReadOnly(true);
    l5->setBuddy(m_Text5);
    g->addWidget(l5, 3, 0);
    g->addWidget(m_Text5, 3, 1, 1, 3);

    Station &st = m_station;
    followText(m_Text4, this, [&st](const QString &t) { st.setText4(t); });
    followText(m_Text3, this, [&st](const QString &t) { st.setText3(t); });
    connect(add, &QPushButton::clicked, this, [&st] { st.cmdAddDev_Click(); });
    connect(alias, &QPushButton::clicked, this, [&st] { st.cmdAlias_Click(); });
    connect(grid, &GridView::rowClicked, this, [&st](int row) { st.gridClick(row); });
    connect(&st, &Station::changed, this, &frmroughin::renderDeviceTexts);
    m_deviceFrame = frame;
    renderDeviceTexts();
    return frame;
}

void frmroughin::renderDeviceTexts()
{
    showText(m_Text4, m_station.Text4);
    showText(m_Text3, m_station.Text3);
    showText(m_Text5, m_station.Text5);
}

void frmroughin::renderPolling()
{
    const Polling &p = m_station.polling;
    m_cmdLoopR->setText(p.loopRCaption());
    m_cmdLoopR->setEnabled(m_station.cmdLoopREnabled);
    m_cmdLoopP->setText(p.loopPCaption());
    m_cmdLoopP->setEnabled(p.loopPEnabled());
    // Frame1 (real-time controls) and Frame5 (address controls) wait while the settings are open.
    m_valueFrame->setFramesEnabled(m_station.framesEnabled());
}

void frmroughin::openSettingsDialog()
{
    Dialog::openPollingFace(m_station.op, m_station.settingsRequest, m_station.devices, m_station.dataFolder,
                            this);
}

void frmroughin::openDialog1()
{
    Dialog1::ask(m_station.op, m_station.settings, m_station.devices, m_station.dataFolder, this);
}

} // namespace kestrel
