#include "controls/THoverLabel.h"
#include "controls/TProEffectImage.h"

#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

namespace {

QImage row(std::initializer_list<int> values, int alpha = 255) {
    QImage image(static_cast<int>(values.size()), 1, QImage::Format_ARGB32);
    int x = 0;
    for (const int v : values) {
        image.setPixel(x++, 0, qRgba(v, v, v, alpha));
    }
    return image;
}

QList<int> reds(const QImage& image) {
    QList<int> out;
    for (int x = 0; x < image.width(); ++x) {
        out.append(qRed(image.pixel(x, 0)));
    }
    return out;
}

}  // namespace

class TestEffectImage : public QObject {
    Q_OBJECT
private slots:
    void lightensWithIntegerDivision() {
        QCOMPARE(reds(TProEffectImage::lightened(row({0, 100, 200, 255}), 80)),
                 QList<int>({80, 148, 217, 255}));
        QCOMPARE(reds(TProEffectImage::lightened(row({0, 100, 200, 255}), 60)),
                 QList<int>({60, 136, 212, 255}));
        // A negative amount darkens within 0..255; white stays white whatever the amount.
        QCOMPARE(reds(TProEffectImage::lightened(row({0, 100, 255}), -300)),
                 QList<int>({0, 0, 255}));
    }

    void channelsAreIndependentAndAlphaIsKept() {
        QImage image(2, 1, QImage::Format_ARGB32);
        image.setPixel(0, 0, qRgba(0, 100, 255, 0));
        image.setPixel(1, 0, qRgba(200, 0, 100, 128));
        const QImage out = TProEffectImage::lightened(image, 80);
        QCOMPARE(out.pixel(0, 0), qRgba(80, 148, 255, 0));
        QCOMPARE(out.pixel(1, 0), qRgba(217, 80, 148, 128));
    }

    void enterTwiceLightensTwiceAndLeaveRestores() {
        TProEffectImage face, twin;
        face.setPicture(row({0, 0}));
        twin.setPicture(row({0, 0}));
        face.Effect_Lightness(80);
        face.Effect_Lightness(80);
        QCOMPARE(reds(face.Picture()), QList<int>({134, 134}));
        face.assignPicture(&twin);
        QCOMPARE(reds(face.Picture()), QList<int>({0, 0}));
        QCOMPARE(reds(twin.Picture()), QList<int>({0, 0}));
    }

    void loadsFacesByName() {
        TProEffectImage face;
        face.setPictureName(QStringLiteral("face_95x25.png"));
        QCOMPARE(face.Picture().size(), QSize(95, 25));
        // The corners of the face are see-through, and stay so when lightened.
        QCOMPARE(qAlpha(face.Picture().pixel(0, 0)), 0);
        face.Effect_Lightness(80);
        QCOMPARE(qAlpha(face.Picture().pixel(0, 0)), 0);
    }

    void labelReportsClickEnterAndLeave() {
        THoverLabel label;
        label.resize(97, 25);
        label.show();
        QSignalSpy clicked(&label, &THoverLabel::clicked);
        QSignalSpy entered(&label, &THoverLabel::mouseEntered);
        QSignalSpy left(&label, &THoverLabel::mouseLeft);
        QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(clicked.count(), 1);
        // A press that ends outside the label is no click, nor is a right click.
        QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(200, 10));
        QTest::mouseClick(&label, Qt::RightButton, {}, QPoint(10, 10));
        QCOMPARE(clicked.count(), 1);
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QCoreApplication::sendEvent(&label, &enter);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&label, &leave);
        QCOMPARE(entered.count(), 1);
        QCOMPARE(left.count(), 1);
    }
};

QTEST_MAIN(TestEffectImage)
#include "tst_effectimage.moc"
