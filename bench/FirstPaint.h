#pragma once

#include "PeakMemory.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

// Ends the process right after the page widget has first been painted once armed: prints the
// peak memory so far and exits at once, as both started programs of bench_startup do.
class ExitAfterFirstPaint : public QObject {
public:
    explicit ExitAfterFirstPaint(QWidget* page) { page->installEventFilter(this); }
    void arm() { armed_ = true; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (armed_ && event->type() == QEvent::Paint) {
            armed_ = false;
            // Queued, so the paint itself is done and flushed first.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [] {
                    std::printf("%lld\n", peakMemoryKiB());
                    std::fflush(stdout);
                    std::_Exit(0);
                },
                Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool armed_ = false;
};
