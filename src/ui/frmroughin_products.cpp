// The product side of the main window: the Product menu, the value frame, and the
// maintenance menu of the data base.
#include "frmroughin.h"

#include "maintenancemenu.h"
#include "productmenu.h"
#include "station/station.h"
#include "valueframe.h"

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
}

void frmroughin::buildMaintenanceMenu()
{
    addMaintenanceMenu(menuBar(), m_station.db, m_station.op);
}

} // namespace kestrel
