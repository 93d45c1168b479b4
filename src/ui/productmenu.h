#pragma once
// The Product menu "产品(&P)" (mnu_pro): the 15 product items (protype), a separator and the
// custom-read item (readSelf). The check mark follows Panel::checkedItem; choosing an item
// emits its index (0..14, or Panel::ReadSelfItem for the custom read).
#include <QMenu>
#include <array>

class QAction;
class QActionGroup;

namespace kestrel {

class Panel;

class ProductMenu : public QMenu {
    Q_OBJECT
public:
    explicit ProductMenu(Panel &panel, QWidget *parent = nullptr);

    QAction *protype(int i) const { return m_protype.at(static_cast<size_t>(i)); }
    QAction *readSelf() const { return m_readSelf; }

Q_SIGNALS:
    void itemChosen(int item);

private:
    void render();

    Panel &m_panel;
    QActionGroup *m_group = nullptr;
    std::array<QAction *, 15> m_protype{};
    QAction *m_readSelf = nullptr;
};

} // namespace kestrel
