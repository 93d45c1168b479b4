#include "productmenu.h"
#include "renderlater.h"
#include "common/tr8.h"

#include "products/catalogue.h"
#include "products/panel.h"
#include "products/texts.h"

#include <QActionGroup>

namespace kestrel {

ProductMenu::ProductMenu(Panel &panel, QWidget *parent)
    : QMenu(tr8(texts::products::ProductMenu), parent), m_panel(panel)
{
    setObjectName(QStringLiteral("mnu_pro"));
    m_group = new QActionGroup(this);
    m_group->setExclusive(true);
    const auto add = [this](const QString &caption, const QString &name, int item) {
        QAction *a = addAction(caption);
        a->setObjectName(name);
        a->setCheckable(true);
        m_group->addAction(a);
        connect(a, &QAction::triggered, this, [this, item] {
            Q_EMIT itemChosen(item);
            render(); // the check mark is the panel's, whatever the handler made of the choice
        });
        return a;
    };
    for (int i = 0; i < ProductMenuItems; ++i)
        m_protype[static_cast<size_t>(i)] =
            add(tr8(texts::products::MenuCaptions[i]), QStringLiteral("protype_%1").arg(i), i);
    addSeparator();
    m_readSelf = add(tr8(texts::products::ReadSelf), QStringLiteral("readSelf"), Panel::ReadSelfItem);
    auto *later = new RenderLater([this] { render(); }, this);
    connect(&m_panel, &Panel::changed, later, &RenderLater::request);
    render();
}

void ProductMenu::render()
{
    const int item = m_panel.checkedItem();
    QAction *checked = item == Panel::ReadSelfItem              ? m_readSelf
                       : (item >= 0 && item < ProductMenuItems) ? m_protype[static_cast<size_t>(item)]
                                                                : nullptr;
    if (checked) {
        if (!checked->isChecked())
            checked->setChecked(true);
    } else if (QAction *a = m_group->checkedAction()) {
        a->setChecked(false);
    }
}

} // namespace kestrel
