#include "frmroughin.h"

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
    setWindowTitle(QString::fromUtf8(texts::AppTitle));

    auto *central = new QWidget(this);
    auto *columns = new QHBoxLayout(central);
    auto *left = new QWidget(central);
    left->setObjectName(QStringLiteral("leftSide"));
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    columns->addWidget(left);
    setCentralWidget(central);

    buildPortMenu();
    buildPortControls(left);
    leftLayout->addStretch(1);

    connect(&m_station.panel, &Panel::changed, this, &frmroughin::renderWidth);
    renderPort();
    renderWidth();
}

frmroughin::~frmroughin() = default;

void frmroughin::renderWidth()
{
    const double dpi = logicalDpiX() > 0 ? logicalDpiX() : 96.0;
    const int w = twipsToPixels(m_station.panel.windowWidth(), dpi);
    if (width() != w)
        resize(w, height());
}

void frmroughin::closeEvent(QCloseEvent *e)
{
    m_station.Form_Unload();
    e->accept();
}

} // namespace kestrel
