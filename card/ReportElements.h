#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

// The elements of a printed report. Geometry is in millimetres from the top-left corner of
// the sheet; the painter given to draw() works in the same unit. Texts are black and start at
// the element's top edge, left-aligned unless centred; no element draws a frame.

namespace report {

constexpr qreal SheetWidth = 210.0;
constexpr qreal SheetHeight = 297.0;
constexpr qreal Margin = 10.0;

// The report font: 新細明體 where it is installed, else AR PL UMing TW, a Ming face whose
// ideographs keep their own code points in a PDF, so that the card's text copies and searches.
QFont font(qreal pointSize, bool bold = false);

}  // namespace report

// How a text element's size follows its text.
enum class ReportSizing {
    Fixed,     // keeps its size; what does not fit is cut off
    ToText,    // as wide as its text (at most up to the margins), as high as its lines
    GrowDown,  // keeps its width and grows downwards when its lines need more room
};

class ReportText {
public:
    QRectF Geometry;
    qreal FontSize = 11;
    bool Bold = false;
    QColor Background = Qt::white;  // opaque
    bool WordWrap = true;
    ReportSizing Sizing = ReportSizing::Fixed;
    // Qt::AlignHCenter centres every line on the element's centre line.
    Qt::Alignment Alignment = Qt::AlignLeft;

    // The lines a text takes in the element's width, each as the part of the text it shows.
    QStringList wrapped(const QPainter& painter, const QString& text) const;
    // The height of one line, in mm.
    qreal lineHeight(const QPainter& painter) const;

protected:
    // Where the element lies once the lines are laid out, in mm.
    QRectF placed(const QPainter& painter, const QStringList& lines) const;
    void drawLines(QPainter& painter, const QStringList& lines) const;
};

class ReportLabel : public ReportText {
public:
    QString Caption;

    QRectF placed(const QPainter& painter) const { return ReportText::placed(painter, {Caption}); }
    void draw(QPainter& painter) const { drawLines(painter, {Caption}); }
};

class ReportMemo : public ReportText {
public:
    QStringList Lines;

    QRectF placed(const QPainter& painter) const { return ReportText::placed(painter, Lines); }
    void draw(QPainter& painter) const { drawLines(painter, Lines); }
};

// A picture at its own size, counted at 96 pixels per inch.
class ReportImage {
public:
    QPointF Position;
    QImage Picture;

    QRectF placed() const;
    void draw(QPainter& painter) const;
};
