#pragma once
// "保存配置": asked without blocking each time a polling run stops. OK saves the polling
// configuration; both answers switch saving of readings off.
#include <QDialog>

class QLabel;
class QPushButton;

namespace kestrel {

class DeviceTable;
class Operator;
struct PollSettings;

class Dialog1 : public QDialog {
    Q_OBJECT
public:
    // folder: where the file dialog starts.
    Dialog1(Operator &op, PollSettings &settings, const DeviceTable &table, const QString &folder,
            QWidget *parent = nullptr);

    // A new question, shown modeless, deleted when it closes.
    static Dialog1 *ask(Operator &op, PollSettings &settings, const DeviceTable &table, const QString &folder,
                        QWidget *parent);

    void OKButton_Click();
    void CancelButton_Click();
    // The window's close box and Esc answer as Cancel.
    void reject() override;

private:
    Operator &m_op;
    PollSettings &m_settings;
    const DeviceTable &m_table;
    QString m_folder;
    bool m_answered = false;
};

} // namespace kestrel
