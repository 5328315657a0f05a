// How long the GUI thread keeps its event loop waiting: a 1 ms timer notes
// the longest time between two of its turns while this object lives.
#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

class GuiTurns
{
public:
    GuiTurns()
    {
        m_sinceTurn.start();
        QObject::connect(&m_timer, &QTimer::timeout, [this] { longest = std::max(longest, m_sinceTurn.restart()); });
        m_timer.start(1);
    }
    void stop() { m_timer.stop(); }

    qint64 longest = 0; // ms

private:
    QElapsedTimer m_sinceTurn;
    QTimer m_timer;
};
