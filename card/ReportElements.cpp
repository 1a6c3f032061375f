#include "ReportElements.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>
#include <memory>
#include <vector>

namespace report {

QFont font(qreal pointSize, bool bold) {
    QFont f;
    f.setFamilies({QStringLiteral("新細明體"), QStringLiteral("PMingLiU"),
                   QStringLiteral("AR PL UMing TW"), QStringLiteral("Noto Serif CJK TC")});
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

}  // namespace report

namespace {

constexpr qreal kMmPerInch = 25.4;

// The lines of a text element, laid out in device pixels of the painter's device, where
// point sizes mean what they say.
struct Layout {
    std::vector<std::unique_ptr<QTextLayout>> paragraphs;
    qreal lineSpacing = 0;
    int lineCount = 0;
    qreal width = 0;  // of the widest line
};

Layout layOut(const QPaintDevice* device, const QFont& font, const QStringList& lines,
              qreal maxWidth, bool wrap) {
    Layout layout;
    layout.lineSpacing = QFontMetricsF(font, device).lineSpacing();
    QTextOption option;
    option.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    for (const QString& text : lines) {
        auto paragraph = std::make_unique<QTextLayout>(text, font, device);
        paragraph->setTextOption(option);
        paragraph->beginLayout();
        for (QTextLine line = paragraph->createLine(); line.isValid();
             line = paragraph->createLine()) {
            if (wrap) {
                line.setLineWidth(maxWidth);
            }
            line.setPosition(QPointF(0, layout.lineCount * layout.lineSpacing));
            layout.width = qMax(layout.width, line.naturalTextWidth());
            ++layout.lineCount;
        }
        paragraph->endLayout();
        layout.paragraphs.push_back(std::move(paragraph));
    }
    return layout;
}

struct Arranged {
    Layout layout;
    QRectF area;  // mm
};

bool centred(const ReportText& element) {
    return element.Alignment.testFlag(Qt::AlignHCenter);
}

// The widest a line of the element may be, in mm.
qreal maxWidth(const ReportText& element) {
    const QRectF& geometry = element.Geometry;
    if (element.Sizing != ReportSizing::ToText) {
        return geometry.width();
    }
    const qreal right = report::SheetWidth - report::Margin;
    if (centred(element)) {
        return 2 * qMin(geometry.center().x() - report::Margin, right - geometry.center().x());
    }
    return right - geometry.left();
}

Arranged arrange(const ReportText& element, const QPaintDevice* device, const QStringList& lines) {
    const qreal perMmX = device->logicalDpiX() / kMmPerInch;
    const qreal perMmY = device->logicalDpiY() / kMmPerInch;
    const QRectF& geometry = element.Geometry;
    Arranged result{layOut(device, report::font(element.FontSize, element.Bold), lines,
                           maxWidth(element) * perMmX, element.WordWrap),
                    geometry};
    const qreal textHeight = result.layout.lineCount * result.layout.lineSpacing / perMmY;
    switch (element.Sizing) {
        case ReportSizing::Fixed:
            break;
        case ReportSizing::ToText:
            result.area.setSize(QSizeF(result.layout.width / perMmX, textHeight));
            if (centred(element)) {
                result.area.moveLeft(geometry.center().x() - result.area.width() / 2);
            }
            break;
        case ReportSizing::GrowDown:
            result.area.setHeight(qMax(geometry.height(), textHeight));
            break;
    }
    if (centred(element)) {
        const qreal width = result.area.width() * perMmX;
        for (const auto& paragraph : result.layout.paragraphs) {
            for (int i = 0; i < paragraph->lineCount(); ++i) {
                QTextLine line = paragraph->lineAt(i);
                line.setPosition(QPointF((width - line.naturalTextWidth()) / 2, line.y()));
            }
        }
    }
    return result;
}

}  // namespace

QStringList ReportText::wrapped(const QPainter& painter, const QString& text) const {
    const QPaintDevice* device = painter.device();
    const Layout layout = layOut(device, report::font(FontSize, Bold), {text},
                                 maxWidth(*this) * device->logicalDpiX() / kMmPerInch, WordWrap);
    QStringList parts;
    const QTextLayout& paragraph = *layout.paragraphs.front();
    for (int i = 0; i < paragraph.lineCount(); ++i) {
        const QTextLine line = paragraph.lineAt(i);
        parts << text.mid(line.textStart(), line.textLength());
    }
    return parts;
}

qreal ReportText::lineHeight(const QPainter& painter) const {
    const QPaintDevice* device = painter.device();
    return QFontMetricsF(report::font(FontSize, Bold), device).lineSpacing() * kMmPerInch /
           device->logicalDpiY();
}

QRectF ReportText::placed(const QPainter& painter, const QStringList& lines) const {
    return arrange(*this, painter.device(), lines).area;
}

void ReportText::drawLines(QPainter& painter, const QStringList& lines) const {
    const QPaintDevice* device = painter.device();
    const Arranged arranged = arrange(*this, device, lines);
    painter.save();
    painter.fillRect(arranged.area, Background);
    if (Sizing == ReportSizing::Fixed) {
        painter.setClipRect(arranged.area, Qt::IntersectClip);
    }
    painter.translate(arranged.area.topLeft());
    painter.scale(kMmPerInch / device->logicalDpiX(), kMmPerInch / device->logicalDpiY());
    painter.setPen(Qt::black);
    for (const auto& paragraph : arranged.layout.paragraphs) {
        paragraph->draw(&painter, QPointF(0, 0));
    }
    painter.restore();
}

QRectF ReportImage::placed() const {
    constexpr qreal kScreenDpi = 96;
    return QRectF(Position, QSizeF(Picture.width() * kMmPerInch / kScreenDpi,
                                   Picture.height() * kMmPerInch / kScreenDpi));
}

void ReportImage::draw(QPainter& painter) const {
    painter.drawImage(placed(), Picture);
}
