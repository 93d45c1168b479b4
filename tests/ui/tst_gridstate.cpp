// The device grid's view draws an old row grey and a live row in the normal text colour.
#include "devices/devicegrid.h"
#include "devices/devicetable.h"
#include "gridview.h"

#include <QtTest>

using namespace kestrel;

namespace {
// The darkest pixel of a row's address and name cells: the text colour.
int darkest(const QImage &img, const QRect &r)
{
    int least = 255;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            least = std::min(least, qGray(img.pixel(x, y)));
    return least;
}
} // namespace

class TstGridState : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void oldRowsAreGrey()
    {
        DeviceTable table;
        table.at(1).alias = table.at(2).alias = QStringLiteral("WWWW");
        DeviceGrid grid;
        grid.build(1, 2, table);
        GridView view(grid);
        view.resize(400, 200);
        grid.setRowState(2, DeviceGrid::RowState::Old);
        const QImage img = view.viewport()->grab().toImage();
        const auto rowRect = [&](int row) {
            return view.visualRect(grid.index(row, 0))
                .united(view.visualRect(grid.index(row, 1)))
                .adjusted(1, 1, -1, -1);
        };
        QVERIFY(darkest(img, rowRect(1)) < 80);
        QCOMPARE(darkest(img, rowRect(2)), qGray(GridView::OldRowColor.rgb()));
    }
};

QTEST_MAIN(TstGridState)
#include "tst_gridstate.moc"
