// The CRC calculator frame, the help menu and the web link of the main window.
#include "frmroughin.h"

#include "aboutmenu.h"
#include "crcframe.h"
#include "station/station.h"

#include <QLayout>
#include <QMenuBar>

namespace kestrel {

void frmroughin::buildConsoleSide(QWidget *host)
{
    host->layout()->addWidget(new CrcFrame(m_station.console, host));
    addHelpMenu(menuBar(), m_station.op);
    menuBar()->setCornerWidget(new WebLabel(menuBar()), Qt::TopRightCorner);
}

} // namespace kestrel
