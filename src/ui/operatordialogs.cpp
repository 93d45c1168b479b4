#include "operatordialogs.h"
#include "common/tr8.h"

#include "link/texts.h"

#include <QFileDialog>
#include <QMessageBox>

namespace kestrel {

QString WidgetOperator::qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i];
    return out.isEmpty() ? filter : out.join(QStringLiteral(";;"));
}

void WidgetOperator::message(const QString &text, const QString &title, Icon icon)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(title.isEmpty() ? tr8(texts::link::AppTitle) : title);
    box.setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

QString WidgetOperator::askOpenFile(const QString &folder, const QString &filter)
{
    return QFileDialog::getOpenFileName(m_parent, QString(), folder, qtFilter(filter));
}

QString WidgetOperator::askSaveFile(const QString &folder, const QString &filter)
{
    return QFileDialog::getSaveFileName(m_parent, QString(), folder, qtFilter(filter), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

} // namespace kestrel
