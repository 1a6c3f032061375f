#include "TForm7.h"

#include "controls/Pictures.h"
#include "desktop/PrintEngine.h"

#include <QPainter>

namespace {

const QColor kSilver(0xC0, 0xC0, 0xC0);

void place(ReportText& element, qreal left, qreal top, qreal width, qreal height) {
    element.Geometry = QRectF(left, top, width, height);
}

}  // namespace

TForm7::TForm7(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Form7"));

    QRImage1.Position = QPointF(10.58, 10.58);
    QRImage1.Picture = pictures::load(QStringLiteral("card_logo.jpg"));

    place(QRLabel1, 59.27, 35.98, 90.22, 12.96);
    QRLabel1.FontSize = 26;
    QRLabel1.Bold = true;
    QRLabel1.Sizing = ReportSizing::ToText;
    // Centred, so that a face wider or narrower than the original still sits mid-page.
    QRLabel1.Alignment = Qt::AlignHCenter;
    QRLabel1.Caption = QStringLiteral("產    品    註    冊    卡");

    place(QRMemo1, 42.33, 50.80, 125.15, 25.66);
    QRMemo1.Background = kSilver;

    place(QRLabel2, 35.98, 82.55, 163.25, 6.61);

    place(QRMemo2, 40.22, 93.13, 159.01, 190.76);
    QRMemo2.Sizing = ReportSizing::GrowDown;

    place(QRLabel3, 91.02, 287.87, 23.55, 6.61);
    QRLabel3.WordWrap = false;
}

qreal TForm7::bodyBottom() const {
    return qMin(report::SheetHeight - report::Margin, QRLabel3.Geometry.top());
}

void TForm7::print(PrintJob& job) const {
    if (job.startPage()) {
        drawPage(job.painter());
    }
}

void TForm7::drawPage(QPainter& painter) const {
    QRImage1.draw(painter);
    QRLabel1.draw(painter);
    QRMemo1.draw(painter);
    QRLabel2.draw(painter);
    QRMemo2.draw(painter);
    QRLabel3.draw(painter);
}
