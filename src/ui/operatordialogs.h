#pragma once
// The operator as the windows answer it: message boxes and file dialogs.
#include "common/operator.h"

class QWidget;

namespace kestrel {

class WidgetOperator : public Operator {
public:
    explicit WidgetOperator(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }
    void message(const QString &text, const QString &title, Icon icon) override;
    QString askOpenFile(const QString &folder, const QString &filter) override;
    QString askSaveFile(const QString &folder, const QString &filter) override;

    // "ini文件(*.ini)|*.ini" → "ini文件(*.ini)" for the Qt file dialog.
    static QString qtFilter(const QString &filter);

private:
    QWidget *m_parent;
};

} // namespace kestrel
