#include "TestEnvironment.h"
#include "app/Forms.h"
#include "app/TForm1.h"
#include "card/TForm7.h"
#include "controls/TCppWebBrowser.h"
#include "controls/THoverLabel.h"
#include "controls/TProEffectImage.h"
#include "registration/TForm4.h"
#include "registration/TForm5.h"
#include "reminders/TForm2.h"
#include "reminders/TForm3.h"
#include "upload/TForm6.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QSet>
#include <QTest>
#include <QTextDocument>

namespace {

// The size each window's layout gives its pictures. A control draws its picture at 0,0
// unscaled, so a wider picture loses its right part and a smaller one leaves a gap.
struct Stated {
    QWidget* window;
    QStringList controls;
    QSize size;
    bool face;  // a button face: rounded at both ends
};

QStringList faces(int count) {
    QStringList names;
    for (int i = 1; i <= count; ++i) {
        names << QStringLiteral("ProEffectImage%1").arg(i);
    }
    return names;
}

QList<Stated> statedSizes() {
    return {
        {Form1, {"Image1"}, {748, 39}, false},
        {Form1, faces(8), {97, 25}, true},
        {Form2, faces(3), {73, 25}, true},
        {Form2, {"Image1"}, {153, 25}, false},
        {Form3, {"Image1"}, {454, 366}, false},
        {Form3, {"Image2"}, {97, 25}, true},
        {Form4, {"Image1"}, {268, 165}, false},
        {Form4, faces(4), {97, 50}, true},
        {Form5, {"Image5", "Image6"}, {800, 600}, false},
        {Form5, {"Image1"}, {256, 82}, false},
        {Form5, {"Image2", "Image3", "Image4"}, {262, 112}, false},
        {Form5, faces(7), {80, 25}, true},
        {Form6, {"Image1"}, {465, 377}, false},
        {Form6, faces(3) << "ProEffectImage7", {95, 25}, true},
    };
}

// The picture a control shows: a picture control's own, or a label's pixmap.
QImage pictureOf(const QWidget* control) {
    if (const auto* image = qobject_cast<const TProEffectImage*>(control)) {
        return image->Picture();
    }
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        return label->pixmap().toImage();
    }
    return {};
}

QImage sharpPictureOf(const QWidget* control) {
    const auto* image = qobject_cast<const TProEffectImage*>(control);
    const auto* label = qobject_cast<const THoverLabel*>(control);
    return image ? image->sharpPicture() : label ? label->sharpPicture() : QImage();
}

// What a control draws on a screen at 200 %, without any background.
QImage drawnAt2x(QWidget* control) {
    QImage drawn(control->size() * 2, QImage::Format_ARGB32_Premultiplied);
    drawn.setDevicePixelRatio(2);
    drawn.fill(Qt::transparent);
    control->render(&drawn, {}, {}, {});
    return drawn;
}

struct Windows {
    Windows() { createForms(); }
    ~Windows() { destroyForms(); }
};

}  // namespace

class TestPictureSizes : public QObject {
    Q_OBJECT
private slots:
    void everyPictureFitsItsControl() {
        TestEnvironment env(true);
        const Windows windows;
        QSet<const QWidget*> checked;
        for (const Stated& stated : statedSizes()) {
            for (const QString& name : stated.controls) {
                const QByteArray where = (stated.window->objectName() + u'.' + name).toUtf8();
                auto* control = stated.window->findChild<QWidget*>(name);
                QVERIFY2(control, where);
                checked.insert(control);
                const QImage picture = pictureOf(control);
                QVERIFY2(control->size() == stated.size, where);
                QVERIFY2(picture.size() == stated.size, where);
                // At 200 % it draws its 2x picture, drawn at twice the size.
                const QImage sharp = sharpPictureOf(control);
                QVERIFY2(sharp.size() == stated.size * 2, where);
                QVERIFY2(drawnAt2x(control) ==
                             sharp.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                         where);
                if (stated.face) {
                    // A whole face: rounded (see-through) corners, solid middle of both ends.
                    const int w = picture.width() - 1, h = picture.height() - 1;
                    for (const QPoint corner :
                         {QPoint(0, 0), QPoint(w, 0), QPoint(0, h), QPoint(w, h)}) {
                        QVERIFY2(qAlpha(picture.pixel(corner)) == 0, where);
                    }
                    QVERIFY2(qAlpha(picture.pixel(0, h / 2)) == 255, where);
                    QVERIFY2(qAlpha(picture.pixel(w, h / 2)) == 255, where);
                }
            }
        }
        // No window shows a picture that the table leaves out.
        for (const QWidget* window :
             QList<const QWidget*>{Form1, Form2, Form3, Form4, Form5, Form6}) {
            for (const QWidget* control : window->findChildren<QWidget*>()) {
                if (!pictureOf(control).isNull()) {
                    QVERIFY2(checked.contains(control),
                             qPrintable(window->objectName() + u'.' + control->objectName()));
                }
            }
        }
        QCOMPARE(Form7->QRImage1.Picture.size(), QSize(240, 78));
    }

    // At 200 % a page shows a picture's 2x file in the place of the 1x one.
    void pagePicturesShowTheir2xFile() {
        TestEnvironment env(true);
        TCppWebBrowser browser;
        const QDir folder(env.programFolder());
        browser.document()->setBaseUrl(QUrl::fromLocalFile(folder.path() + u'/'));
        for (const QString& name : folder.entryList({QStringLiteral("*.png")})) {
            if (name.contains(u'@')) {
                continue;
            }
            const auto shown = browser.document()
                                   ->resource(QTextDocument::ImageResource, QUrl(name))
                                   .value<QPixmap>();
            QCOMPARE(shown.size(), QImage(folder.filePath(name)).size() * 2);
            QCOMPARE(shown.devicePixelRatio(), 2.0);
        }
    }
};

// The pictures are checked as a screen at 200 % shows them.
int main(int argc, char** argv) {
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestPictureSizes test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_picturesizes.moc"
