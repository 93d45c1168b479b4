#pragma once
#include <QColor>
#include <QWidget>

namespace kestrel {

// The round status lamp `shape1`: red while the port is open, black when closed.
class Lamp : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor color READ color WRITE setColor)
public:
    explicit Lamp(QWidget *parent = nullptr);
    QColor color() const { return m_color; }
    void setColor(const QColor &c);
    QSize sizeHint() const override { return {18, 18}; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QColor m_color = Qt::red;
};

} // namespace kestrel
