#pragma once
// The value frame of the main window: the 13 value boxes (TxtInput) with their labels (Label2)
// in three columns, the single-read address (TxtB1) and device name (Text2), the custom-read
// boxes (txtSelf) and the buttons "单个读取" (CMDRHTread) and "实时曲线" (cmdShow). It renders a
// Panel and keeps the Panel's copy of each box in step with the box's text.
#include <QWidget>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kestrel {

class Panel;

class ValueFrame : public QWidget {
    Q_OBJECT
public:
    explicit ValueFrame(Panel &panel, QWidget *parent = nullptr);

    QLineEdit *TxtInput(int i) const { return m_TxtInput.at(static_cast<size_t>(i)); }
    QLabel *Label2(int i) const { return m_Label2.at(static_cast<size_t>(i)); }
    QLineEdit *TxtB1() const { return m_TxtB1; }
    QLineEdit *Text2() const { return m_Text2; }
    QLineEdit *txtSelf(int i) const { return m_txtSelf.at(static_cast<size_t>(i)); }
    QLabel *labSelf(int i) const { return m_labSelf.at(static_cast<size_t>(i)); }
    QPushButton *CMDRHTread() const { return m_CMDRHTread; }
    QPushButton *cmdShow() const { return m_cmdShow; }

    // Frame1 (real-time controls) and Frame5 (address controls): disabled while the settings
    // dialog is open for a polling start.
    void setFramesEnabled(bool on);

Q_SIGNALS:
    void readRequested();  // "单个读取" clicked
    void curveRequested(); // "实时曲线" clicked

private:
    void render();
    void onTxtB1Changed(const QString &text);

    Panel &m_panel;
    std::array<QLineEdit *, 13> m_TxtInput{};
    std::array<QLabel *, 13> m_Label2{};
    std::array<QLineEdit *, 2> m_txtSelf{};
    std::array<QLabel *, 2> m_labSelf{};
    QLineEdit *m_TxtB1 = nullptr;
    QLineEdit *m_Text2 = nullptr;
    QPushButton *m_CMDRHTread = nullptr;
    QPushButton *m_cmdShow = nullptr;
};

} // namespace kestrel
