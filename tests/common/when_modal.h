// Window tests: acting on a modal window from inside its modal loop.
#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>

// Runs `action` on the modal window that opens next (polling until one of
// type T is there), from inside its modal loop.
template <class T> void WhenModal(std::function<void(T*)> action) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (T* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            action(window);
        }
    });
    timer->start();
}
