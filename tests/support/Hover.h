#pragma once

#include "controls/TProEffectImage.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QTest>
#include <utility>

// The pointer entering or leaving a label, as the window system reports it.
inline void hover(QWidget* label, bool enter) {
    if (enter) {
        QEnterEvent e(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QCoreApplication::sendEvent(label, &e);
    } else {
        QEvent e(QEvent::Leave);
        QCoreApplication::sendEvent(label, &e);
    }
}

// Each caption lightens its face by the amount on entering and brings back the plain face on
// leaving.
inline void expectHoverButtons(std::initializer_list<std::pair<QWidget*, TProEffectImage*>> buttons,
                               const QImage& plain, int amount = 80) {
    for (const auto& [label, face] : buttons) {
        const QImage sharp = face->sharpPicture();  // the face on a screen at 200 %
        hover(label, true);
        QCOMPARE(face->Picture(), TProEffectImage::lightened(plain, amount));
        QCOMPARE(face->sharpPicture(), TProEffectImage::lightened(sharp, amount));
        hover(label, false);
        QCOMPARE(face->Picture(), plain);
        QCOMPARE(face->sharpPicture(), sharp);
    }
}
