// The device frame (grid, add device, rename, message line) and the polling buttons.
#include "frmroughin.h"

#include "devices/texts.h"
#include "dialog.h"
#include "dialog1.h"
#include "gridview.h"
#include "polling/texts.h"
#include "station/station.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

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
    m_cmdConn = new QPushButton(QStringLiteral("通讯测试"), row);
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
    connect(&m_station.settingsRequest, &SettingsRequest::openRequested, this, &frmroughin::openSettingsDialog);
    connect(&m_station, &Station::dialog1Requested, this, &frmroughin::openDialog1);
}

static QLineEdit *addressBox(const QString &name, QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(name);
    // Digits and Backspace only.
    e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
    return e;
}

QWidget *frmroughin::buildDeviceFrame(QWidget *parent)
{
    auto *frame = new QGroupBox(QString::fromUtf8(deviceTexts::DeviceFrame), parent);
    frame->setObjectName(QStringLiteral("deviceFrame"));
    auto *g = new QGridLayout(frame);
    auto *grid = new GridView(m_station.grid, frame);
    grid->setObjectName(QStringLiteral("grid"));
    grid->setAccessibleName(QString::fromUtf8(deviceTexts::DeviceFrame));
    m_grid = grid;
    g->addWidget(grid, 0, 0, 1, 4);

    auto *l4 = new QLabel(QString::fromUtf8(deviceTexts::AddressLabel), frame);
    m_Text4 = addressBox(QStringLiteral("Text4"), frame);
    l4->setBuddy(m_Text4);
    auto *add = new QPushButton(QString::fromUtf8(deviceTexts::AddDevice), frame);
    add->setObjectName(QStringLiteral("cmdAddDev"));
    g->addWidget(l4, 1, 0);
    g->addWidget(m_Text4, 1, 1);
    g->addWidget(add, 1, 2);

    auto *l3 = new QLabel(QString::fromUtf8(deviceTexts::AliasLabel), frame);
    m_Text3 = new QLineEdit(frame);
    m_Text3->setObjectName(QStringLiteral("Text3"));
    l3->setBuddy(m_Text3);
    auto *alias = new QPushButton(QString::fromUtf8(deviceTexts::Rename), frame);
    alias->setObjectName(QStringLiteral("cmdAlias"));
    g->addWidget(l3, 2, 0);
    g->addWidget(m_Text3, 2, 1);
    g->addWidget(alias, 2, 2);

    auto *l5 = new QLabel(QStringLiteral("状态："), frame);
    m_Text5 = new QLineEdit(frame);
    m_Text5->setObjectName(QStringLiteral("Text5"));
    m_Text5->setReadOnly(true);
    l5->setBuddy(m_Text5);
    g->addWidget(l5, 3, 0);
    g->addWidget(m_Text5, 3, 1, 1, 3);

    Panel &panel = m_station.panel;
    DeviceRegistry &reg = m_station.registry;
    connect(m_Text4, &QLineEdit::textEdited, this, [this, &panel](const QString &t) {
        const QString fixed = ProductSide::Text4_Change(t);
        panel.Text4 = fixed;
        if (fixed != t)
            m_Text4->setText(fixed);
    });
    connect(m_Text3, &QLineEdit::textEdited, this, [&panel](const QString &t) { panel.Text3 = t; });
    connect(add, &QPushButton::clicked, this, [&reg] { reg.cmdAddDev_Click(); });
    connect(alias, &QPushButton::clicked, this, [&reg] { reg.cmdAlias_Click(); });
    connect(grid, &GridView::rowClicked, this, [&reg](int row) { reg.gridClick(row); });
    connect(&panel, &Panel::changed, this, &frmroughin::renderDeviceTexts);
    m_deviceFrame = frame;
    renderDeviceTexts();
    return frame;
}

static void syncText(QLineEdit *e, const QString &t)
{
    if (e && e->text() != t)
        e->setText(t);
}

void frmroughin::renderDeviceTexts()
{
    const Panel &panel = m_station.panel;
    syncText(m_Text4, panel.Text4);
    syncText(m_Text3, panel.Text3);
    syncText(m_Text5, panel.Text5);
}

void frmroughin::renderPolling()
{
    const Polling &p = m_station.polling;
    m_cmdLoopR->setText(p.loopRCaption());
    m_cmdLoopR->setEnabled(m_station.cmdLoopREnabled);
    m_cmdLoopP->setText(p.loopPCaption());
    m_cmdLoopP->setEnabled(p.loopPEnabled());
    // Frame1 (real-time controls) and Frame5 (address controls) wait while the settings are open.
    for (const char *name : {"TxtB1", "Text2", "cmdShow", "CMDRHTread"})
        if (auto *w = findChild<QWidget *>(QLatin1String(name)))
            w->setEnabled(m_station.framesEnabled());
}

void frmroughin::openSettingsDialog()
{
    Dialog::openPollingFace(m_station.op, m_station.settingsRequest, m_station.devices, m_station.dataFolder, this);
}

void frmroughin::openDialog1()
{
    Dialog1::ask(m_station.op, m_station.settings, m_station.devices, m_station.dataFolder, this);
}

} // namespace kestrel
