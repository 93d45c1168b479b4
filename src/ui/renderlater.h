#pragma once
// Coalesces a window's change notifications into one render. The first request after a render
// schedules the next one for the following turn of the event loop; requests until then add
// nothing. While changes keep coming, renders stay at least MinGapMs apart, so a polling cycle
// that reads hundreds of devices a second repaints the window a few dozen times a second, not
// once per changed box.
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

namespace kestrel {

class RenderLater : public QObject {
    Q_OBJECT
public:
    static constexpr int MinGapMs = 40;

    RenderLater(std::function<void()> render, QObject *parent) : QObject(parent), m_render(std::move(render))
    {
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            m_last.start();
            m_render();
        });
    }

    void request()
    {
        if (m_timer.isActive())
            return;
        const qint64 since = m_last.isValid() ? m_last.elapsed() : MinGapMs;
        m_timer.start(static_cast<int>(std::max<qint64>(0, MinGapMs - since)));
    }

private:
    std::function<void()> m_render;
    QTimer m_timer;
    QElapsedTimer m_last;
};

} // namespace kestrel
