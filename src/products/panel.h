#pragma once
// What the main window shows of the product side, held in the core: the 13 value boxes
// (TxtInput) with their labels (Label2), the custom-read boxes, the Product menu's check mark
// and the text boxes of the value frame. The window renders it and writes the
// operator's typing back into it.
#include <QObject>
#include <QString>
#include <array>

namespace kestrel {

class Panel : public QObject {
    Q_OBJECT
public:
    static constexpr int Boxes = 13;
    static constexpr int ReadSelfItem = 15;  // the custom-read item after the 15 product items
    static constexpr int NarrowWidth = 6180; // twips: the value side only
    static constexpr int WideWidth = 12615;  // twips: with the device frame

    using QObject::QObject;

    QString valueText(int box) const { return m_values[static_cast<size_t>(box)]; }
    void setValueText(int box, const QString &text);
    bool valueEnabled(int box) const { return m_enabled[static_cast<size_t>(box)]; }
    void setValueEnabled(int box, bool on);
    void clearValues(); // empties all 13 boxes

    bool selfEnabled() const { return m_selfEnabled; } // txtSelf and labSelf
    void setSelfEnabled(bool on);

    int checkedItem() const { return m_checked; } // 0..14 product item, 15 custom read
    void setCheckedItem(int item);

    // Text boxes of the main window, by their names.
    QString TxtB1 = QStringLiteral("1");                                       // single-read address
    QString Text2;                                                             // device name
    std::array<QString, 2> txtSelf{QStringLiteral("0"), QStringLiteral("11")}; // custom start, count

    int windowWidth() const { return m_width; } // twips
    void setWindowWidth(int twips);

    // Call after changing the public texts so the window shows them.
    void notify() { Q_EMIT changed(); }

Q_SIGNALS:
    void changed();

private:
    std::array<QString, Boxes> m_values{};
    std::array<bool, Boxes> m_enabled{};
    bool m_selfEnabled = false;
    int m_checked = 0;
    int m_width = NarrowWidth;
};

} // namespace kestrel
