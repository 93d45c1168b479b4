#pragma once
// "轮询参数设置": the polling settings face (Frame1) and, hidden until the connectivity test
// uses them, the test frames Frame2 and Frame3. Shown without blocking the main window; created
// for each use and deleted when it closes. The main window hears OK and Cancel through the
// SettingsRequest; the dialog itself keeps no polling state.
#include <QDialog>
#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kestrel {

class ConnTest;
class DeviceTable;
class Operator;
class SettingsRequest;

class Dialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int PollingWidth = 3555; // twips
    static constexpr int PollingHeight = 3390;
    static constexpr int TestWidth = 7635;
    static constexpr int TestHeight = 5970;

    // folder: where the configuration file dialog starts.
    Dialog(Operator &op, SettingsRequest &request, DeviceTable &table, const QString &folder,
           QWidget *parent = nullptr);

    // The polling start's way in: shows the polling face of the open settings dialog of the
    // parent, or of a new one that deletes itself on close.
    static Dialog *openPollingFace(Operator &op, SettingsRequest &request, DeviceTable &table,
                                   const QString &folder, QWidget *parent);

    // "通讯测试"'s way in: the test face of the open settings dialog of the parent, or of a new
    // one, rendering and driving the connectivity test.
    static Dialog *openTestFace(Operator &op, SettingsRequest &request, DeviceTable &table,
                                const QString &folder, ConnTest &test, QWidget *parent);

    // Range boxes := PollStart, PollEnd; Frame1 shown, Frame2 and Frame3 hidden; shown modeless.
    void showPollingFace();
    // Frame1 hidden, Frame2 and Frame3 shown, at the size of the connectivity test.
    void showTestFace();

    void OKButton_Click();
    void CancelButton_Click();
    void cmdConf_Click();
    void Text1_Change();
    void txtloopAdd_Change();

    // Esc and the window's close box: Cancel on the polling face; on the test face the run
    // stops and the main window's frames come back.
    void reject() override;

    // Boxes 0 and 1 are the polling range; 2 and 3 belong to the test face.
    QLineEdit *txtloopAdd(int index) const { return m_txtloopAdd.at(static_cast<size_t>(index)); }
    QLineEdit *Text1() const { return m_Text1; }
    QCheckBox *checkSave() const { return m_checkSave; }
    QGroupBox *Frame2() const { return m_Frame2; }
    QGroupBox *Frame3() const { return m_Frame3; }
    QLineEdit *Text3() const { return m_Text3; }
    QPlainTextEdit *Text2() const { return m_Text2; }

private:
    // The open settings dialog of the parent, or a new one that deletes itself on close.
    static Dialog *openDialog(Operator &op, SettingsRequest &request, DeviceTable &table,
                              const QString &folder, QWidget *parent);
    void buildPollingFrame();
    void buildTestFrame();
    void renderTest();
    void leaveTestFace();
    QLineEdit *numberBox(const QString &name, const QString &text);
    void setFaceSize(int widthTwips, int heightTwips);

    Operator &m_op;
    SettingsRequest &m_request;
    DeviceTable &m_table;
    QString m_folder;

    QGroupBox *m_Frame1 = nullptr;
    QGroupBox *m_Frame2 = nullptr;
    QGroupBox *m_Frame3 = nullptr;
    std::array<QLineEdit *, 4> m_txtloopAdd{};
    QLineEdit *m_Text1 = nullptr;
    QLabel *m_Label5 = nullptr;
    QCheckBox *m_checkSave = nullptr;
    QPushButton *m_cmdConf = nullptr;
    QPushButton *m_OKButton = nullptr;
    QPushButton *m_CancelButton = nullptr;

    ConnTest *m_test = nullptr; // set when the test face is first shown
    QLineEdit *m_Text3 = nullptr;
    QPlainTextEdit *m_Text2 = nullptr;
    QPushButton *m_cmdtest = nullptr;
};

} // namespace kestrel
