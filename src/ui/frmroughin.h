#pragma once
// The main window. Its code is split by area: frmroughin.cpp builds and renders the window,
// frmroughin_port.cpp the port menu and button, frmroughin_products.cpp the product side,
// frmroughin_devices.cpp the device frame and polling buttons, frmroughin_address.cpp the address
// frame and the connectivity test, frmroughin_timed.cpp the timed reading, frmroughin_console.cpp the
// CRC calculator, the help menu and the web link, frmroughin_history.cpp the history button.
#include <QMainWindow>
#include <array>

class QAction;
class QActionGroup;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;

namespace kestrel {

class Dialog2;
class Lamp;
class Station;
class ValueFrame;
class ProductMenu;
class chart;

class frmroughin : public QMainWindow {
    Q_OBJECT
public:
    explicit frmroughin(Station &station, QWidget *parent = nullptr);
    ~frmroughin() override;

    Station &station() { return m_station; }
    chart *curveWindow() const { return m_chart; }

Q_SIGNALS:
    // "实时曲线" opened the real-time curve window: the timed-reading buffer is written to the
    // day's record file (wData).
    void chartRequested();

protected:
    void closeEvent(QCloseEvent *e) override;

private:
    void buildPortMenu();
    void buildPortControls(QWidget *host);
    void renderPort();
    void renderWidth();
    void buildPollingButtons(QWidget *host);
    void buildAddressFrame(QWidget *host); // after the value frame and the polling buttons
    void renderAddressFrame();
    QWidget *buildDeviceFrame(QWidget *parent);
    void renderPolling();
    void renderDeviceTexts();
    void openSettingsDialog();
    void openDialog1();
    void buildProductSide(QWidget *host);
    void buildTimedReading(QWidget *host);
    void buildMaintenanceMenu();
    void cmdShow_Click();

    void buildConsoleSide(QWidget *host);
    void buildHistoryButton(QWidget *host);
    void cmdOD_Click();

    Station &m_station;
    QMenu *m_comMenu = nullptr;
    std::array<QAction *, 8> m_com{};
    std::array<QAction *, 6> m_baud{};
    QPushButton *m_Com = nullptr;
    Lamp *m_shape1 = nullptr;
    QPushButton *m_cmdLoopR = nullptr;
    QPushButton *m_cmdLoopP = nullptr;
    QPushButton *m_cmdConn = nullptr;
    QWidget *m_deviceFrame = nullptr;
    QWidget *m_Frame5 = nullptr;
    QLineEdit *m_Text4 = nullptr;
    QLineEdit *m_Text3 = nullptr;
    QLineEdit *m_Text5 = nullptr;
    QTableView *m_grid = nullptr;
    ValueFrame *m_valueFrame = nullptr;
    ProductMenu *m_productMenu = nullptr;
    chart *m_chart = nullptr;
    Dialog2 *m_Dialog2 = nullptr;
};

} // namespace kestrel
