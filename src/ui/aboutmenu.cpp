#include "aboutmenu.h"
#include "common/tr8.h"

#include "common/log.h"
#include "common/operator.h"
#include "common/version.h"
#include "ui/texts.h"

#include <QAction>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QUrl>

namespace kestrel {

using namespace texts::ui;

QString versionMessage()
{
    return tr8(VersionPrefix) + QString::fromLatin1(Version);
}

QMenu *addHelpMenu(QMenuBar *bar, Operator &op)
{
    QMenu *menu = bar->addMenu(tr8(HelpMenu));
    menu->setObjectName(QStringLiteral("menuHelp"));
    QAction *about = menu->addAction(tr8(AboutItem));
    about->setObjectName(QStringLiteral("about"));
    QObject::connect(about, &QAction::triggered, menu, [&op] { op.message(versionMessage()); });
    return menu;
}

WebLabel::WebLabel(QWidget *parent) : QLabel(tr8(WebCaption), parent)
{
    setObjectName(QStringLiteral("labWeb"));
    QFont f = font();
    f.setFamilies({tr8(WebFont), f.family()}); // the system font where that one is missing
    f.setUnderline(true);
    setFont(f);
    QPalette p = palette();
    p.setColor(QPalette::WindowText, p.color(QPalette::Link));
    setPalette(p);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setToolTip(QString::fromLatin1(MakerSite));
    setAccessibleName(QString::fromLatin1(MakerSite));
}

void WebLabel::labWeb_Click()
{
    if (!QDesktopServices::openUrl(QUrl(QString::fromLatin1(MakerSite))))
        appendLog(QStringLiteral("The web link could not open %1: no handler for it.")
                      .arg(QLatin1String(MakerSite)));
}

void WebLabel::mouseReleaseEvent(QMouseEvent *e)
{
    QLabel::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        labWeb_Click();
}

void WebLabel::keyPressEvent(QKeyEvent *e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Space)
        labWeb_Click();
    else
        QLabel::keyPressEvent(e);
}

} // namespace kestrel
