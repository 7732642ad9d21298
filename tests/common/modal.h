#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <QWidget>
#include <functional>

// Acts on the modal window that the next call opens, once it is shown. If none shows within
// ten seconds it gives up, so that a window that never came cannot be mistaken for a later
// test's window (the test waiting for it fails on its own).
inline void whenModalShown(std::function<void(QWidget *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout,
                     [timer, act = std::move(act), deadline = QDeadlineTimer(10000)] {
                         QWidget *modal = QApplication::activeModalWidget();
                         if ((!modal || !modal->isVisible()) && !deadline.hasExpired())
                             return;
                         timer->stop();
                         timer->deleteLater();
                         if (modal && modal->isVisible())
                             act(modal);
                     });
    timer->start();
}
