#pragma once
// The device grid's view: widths and heights in twips from the model, row 0 as the header
// row, and wheel paging — one notch with no key held pages by one page.
#include <QColor>
#include <QTableView>

namespace kestrel {

class DeviceGrid;

class GridView : public QTableView {
    Q_OBJECT
public:
    static constexpr QColor OldRowColor{128, 128, 128};

    explicit GridView(DeviceGrid &grid, QWidget *parent = nullptr);

Q_SIGNALS:
    void rowClicked(int row);

protected:
    void wheelEvent(QWheelEvent *e) override;

private:
    void applyGeometry();
    int px(int twips) const;
    DeviceGrid &m_grid;
};

} // namespace kestrel
