#include "panel.h"

namespace kestrel {

void Panel::setValueText(int box, const QString &text)
{
    if (box < 0 || box >= Boxes || m_values[static_cast<size_t>(box)] == text)
        return;
    m_values[static_cast<size_t>(box)] = text;
    Q_EMIT changed();
}

void Panel::setValueEnabled(int box, bool on)
{
    if (box < 0 || box >= Boxes || m_enabled[static_cast<size_t>(box)] == on)
        return;
    m_enabled[static_cast<size_t>(box)] = on;
    Q_EMIT changed();
}

void Panel::clearValues()
{
    bool any = false;
    for (auto &v : m_values) {
        any = any || !v.isEmpty();
        v.clear();
    }
    if (any)
        Q_EMIT changed();
}

void Panel::setSelfEnabled(bool on)
{
    if (m_selfEnabled == on)
        return;
    m_selfEnabled = on;
    Q_EMIT changed();
}

void Panel::setCheckedItem(int item)
{
    if (m_checked == item)
        return;
    m_checked = item;
    Q_EMIT changed();
}

void Panel::setWindowWidth(int twips)
{
    if (m_width == twips)
        return;
    m_width = twips;
    Q_EMIT changed();
}

} // namespace kestrel
