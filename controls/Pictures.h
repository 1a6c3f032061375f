#pragma once

#include <QImage>
#include <QRectF>
#include <QString>

class QPainter;

// Pictures compiled into the program, by file name ("face_95x25.png").
namespace pictures {

QImage load(const QString& name);
// The same picture drawn at twice the size for dense screens ("face_95x25@2x.png"), with
// device pixel ratio 2; null when there is none.
QImage loadSharp(const QString& name);

// The name of a picture's 2x file: "a/b.png" becomes "a/b@2x.png".
QString sharpName(const QString& name);

// Draws a 2x picture over `target` (logical pixels) of a screen of any ratio above 1.
void drawSharp(QPainter& painter, const QRectF& target, const QImage& sharp);

}  // namespace pictures
