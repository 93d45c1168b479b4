// The product side of the main window: the Product menu, the value frame, and the
// maintenance menu of the data base.
#include "frmroughin.h"

#include "chart.h"
#include "common/twips.h"

#include "maintenancemenu.h"
#include "monitor.h"
#include "productmenu.h"
#include "station/station.h"
#include "valueframe.h"

#include <QDir>
#include <QLayout>
#include <QMenuBar>

namespace kestrel {

void frmroughin::buildProductSide(QWidget *host)
{
    ProductSide &products = m_station.products;
    m_productMenu = new ProductMenu(m_station.panel, this);
    menuBar()->addMenu(m_productMenu);
    connect(m_productMenu, &ProductMenu::itemChosen, this, [&products](int item) {
        if (item == Panel::ReadSelfItem)
            products.readSelf_Click();
        else
            products.protype_Click(item);
    });

    m_valueFrame = new ValueFrame(m_station.panel, host);
    host->layout()->addWidget(m_valueFrame);
    connect(m_valueFrame, &ValueFrame::readRequested, this, [&products] { products.CMDRHTread_Click(); });
    connect(m_valueFrame, &ValueFrame::curveRequested, this, &frmroughin::cmdShow_Click);
}

// "实时曲线": the main window moves right of the curve window, the curve window opens beside it
// (created once, kept when closed), and the pending timed readings go to the record file.
void frmroughin::cmdShow_Click()
{
    const double dpi = logicalDpiX() > 0 ? logicalDpiX() : 96.0;
    move(twipsToPixels(13255, dpi), twipsToPixels(700, dpi));
    if (!m_chart)
        m_chart = new chart(m_station.curves, this);
    m_chart->show();
    m_chart->raise();
    m_chart->activateWindow();
    m_station.records.wData();
    Q_EMIT chartRequested();
}

void frmroughin::buildMaintenanceMenu()
{
    QMenu *menu = addMaintenanceMenu(menuBar(), m_station.db, m_station.op);
    addMonitorItem(menu, m_station.traffic, m_station.op, m_station.timers,
                   QDir(m_station.dataFolder).filePath(QStringLiteral("export")));
}

} // namespace kestrel
