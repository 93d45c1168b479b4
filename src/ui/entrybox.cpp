#include "entrybox.h"

#include "products/productside.h"

#include <QKeyEvent>

namespace kestrel {

namespace {

class DigitFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const auto *k = static_cast<QKeyEvent *>(event);
        if (k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return false;
        switch (k->key()) {
        case Qt::Key_Delete:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            return false;
        default:
            break;
        }
        const QString text = k->text();
        if (text.isEmpty())
            return false;
        return !ProductSide::acceptsEntryKey(text.at(0).unicode());
    }
};

} // namespace

void showText(QLineEdit *box, const QString &text)
{
    if (box && box->text() != text)
        box->setText(text);
}

void makeDigitsOnly(QLineEdit *box)
{
    box->installEventFilter(new DigitFilter(box));
}

} // namespace kestrel
