#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

// Acts on the modal window that the next call opens, once it is shown.
inline void whenModalShown(std::function<void(QWidget *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act = std::move(act)] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        act(modal);
    });
    timer->start();
}
