#include "frmroughin.h"
#include "renderlater.h"
#include "common/tr8.h"

#include "common/twips.h"
#include "lamp.h"
#include "link/texts.h"
#include "station/station.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace kestrel {

frmroughin::frmroughin(Station &station, QWidget *parent) : QMainWindow(parent), m_station(station)
{
    setObjectName(QStringLiteral("frmroughin"));
    setWindowTitle(tr8(texts::link::AppTitle));

    auto *central = new QWidget(this);
    auto *columns = new QHBoxLayout(central);
    auto *left = new QWidget(central);
    left->setObjectName(QStringLiteral("leftSide"));
    left->setFixedWidth(twipsToPixels(6120 - 2 * 120, logicalDpiX() > 0 ? logicalDpiX() : 96.0));
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    columns->addWidget(left);
    setCentralWidget(central);

    buildPortMenu();
    buildProductSide(left);
    buildTimedReading(left);
    buildMaintenanceMenu();
    buildPortControls(left);
    buildPollingButtons(left);
    buildAddressFrame(left);
    buildConsoleSide(left);
    buildHistoryButton(left);
    leftLayout->addStretch(1);
    columns->addWidget(buildDeviceFrame(central), 1);

    auto *later = new RenderLater([this] { renderWidth(); }, this);
    connect(&m_station.panel, &Panel::changed, later, &RenderLater::request);
    renderPort();
    renderPolling();
    renderWidth();
}

frmroughin::~frmroughin() = default;

// The window shows its value side only (6180 twips) or, while polling, the device frame too
// (12615 twips); the device frame lies 6120 twips from the left edge.
void frmroughin::renderWidth()
{
    const double dpi = logicalDpiX() > 0 ? logicalDpiX() : 96.0;
    const bool wide = m_station.panel.windowWidth() >= Panel::WideWidth;
    if (m_deviceFrame && m_deviceFrame->isVisibleTo(this) != wide)
        m_deviceFrame->setVisible(wide);
    const int w = twipsToPixels(m_station.panel.windowWidth(), dpi);
    if (width() != w) {
        setFixedWidth(w);
    }
}

void frmroughin::closeEvent(QCloseEvent *e)
{
    m_station.Form_Unload();
    e->accept();
}

} // namespace kestrel
