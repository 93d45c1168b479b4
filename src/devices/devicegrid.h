#pragma once
// The device grid: one row per address of the polling range under a header row, 15 columns
// (address, device name, the 13 quantities in catalogue order). Row 0 is a real row holding
// the headers, as the operator sees it. Column widths and row heights are kept here in twips;
// a width or height of 0 hides the column or row. The view applies them when told.
#include <QAbstractTableModel>
#include <QStringList>
#include <array>
#include <vector>

namespace kestrel {

class DeviceTable;

class DeviceGrid : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int Columns = 15;
    static constexpr int AddressWidth = 450; // twips
    static constexpr int NameWidth = 1200;   // twips
    static constexpr int ValueWidth = 900;   // a quantity column once it shows values
    static constexpr int RowHeight = 225;    // a shown row
    static constexpr int AddressColumn = 0;
    static constexpr int NameColumn = 1;
    static constexpr int FirstQuantityColumn = 2;

    // A device row is live while its readings come in, and old once its last read failed or its
    // port was lost: the view draws old rows grey until the device answers again.
    enum class RowState { Live, Old };
    static constexpr int RowStateRole = Qt::UserRole + 1; // data(): the RowState as an int

    explicit DeviceGrid(QObject *parent = nullptr);

    // Rebuilds the grid for the range pollStart..pollEnd: the header row, the address and alias
    // of every address, all quantity columns hidden. A range that is empty or outside 1..255
    // leaves only the header row.
    void build(int pollStart, int pollEnd, const DeviceTable &table);

    int rows() const { return static_cast<int>(m_cells.size()); }
    // Grows with empty rows of the standard height, or drops rows from the end. The header
    // row always stays.
    void setRowCount(int rows);

    // Cell text by (row, column); cells outside the grid read empty and ignore writes.
    QString cell(int row, int column) const;
    void setCell(int row, int column, const QString &text);

    RowState rowState(int row) const;
    void setRowState(int row, RowState state);
    void setAllRowsOld(); // the port is gone: no row is live any more

    int columnWidth(int column) const; // twips
    void setColumnWidth(int column, int twips);
    int rowHeight(int row) const; // twips
    void setRowHeight(int row, int twips);

    // QAbstractTableModel: the cell texts as DisplayRole; headers are row 0, not header data.
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

Q_SIGNALS:
    void columnWidthChanged(int column, int twips);
    void rowHeightChanged(int row, int twips);
    // After build and setRowCount: the view re-applies every width and height.
    void geometryReset();

private:
    using Row = std::array<QString, Columns>;
    static bool validColumn(int c) { return c >= 0 && c < Columns; }
    bool validRow(int r) const { return r >= 0 && r < rows(); }
    void fillHeader();

    std::vector<Row> m_cells;
    std::vector<int> m_heights;
    std::vector<RowState> m_states;
    std::array<int, Columns> m_widths{};
};

} // namespace kestrel
