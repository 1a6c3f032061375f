#include "TProEffectImage.h"

#include "Pictures.h"

#include <QPainter>

TProEffectImage::TProEffectImage(QWidget* parent) : QWidget(parent) {
    // The labels lying over a face take every pointer event.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

const QImage& TProEffectImage::Picture() const {
    if (pending_) {
        pending_ = false;
        picture_ = withLightenings(pictures::load(pictureName_));
    }
    return picture_;
}

const QImage& TProEffectImage::sharpPicture() const {
    if (sharpPending_) {
        sharpPending_ = false;
        sharp_ = withLightenings(pictures::loadSharp(pictureName_));
    }
    return sharp_;
}

QImage TProEffectImage::withLightenings(QImage image) const {
    for (const int value : lightenings_) {
        image = lightened(image, value);
    }
    return image;
}

void TProEffectImage::setPicture(const QImage& picture) {
    pending_ = false;
    picture_ = picture.convertToFormat(QImage::Format_ARGB32);
    sharpPending_ = false;
    sharp_ = QImage();
    lightenings_.clear();
    update();
}

void TProEffectImage::assignPicture(const TProEffectImage* other) {
    pending_ = other->pending_;
    picture_ = other->picture_;
    sharpPending_ = other->sharpPending_;
    sharp_ = other->sharp_;
    pictureName_ = other->pictureName_;
    lightenings_ = other->lightenings_;
    update();
}

void TProEffectImage::setPictureName(const QString& name) {
    pictureName_ = name;
    lightenings_.clear();
    pending_ = true;
    sharpPending_ = true;
    update();
}

void TProEffectImage::setStretch(bool on) {
    stretch_ = on;
    update();
}

QImage TProEffectImage::lightened(const QImage& image, int value) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const auto channel = [value](int c) {
                const int v = c + ((255 - c) * value) / 255;
                return v < 0 ? 0 : (v > 255 ? 255 : v);
            };
            const QRgb p = row[x];
            row[x] = qRgba(channel(qRed(p)), channel(qGreen(p)), channel(qBlue(p)), qAlpha(p));
        }
    }
    return out;
}

void TProEffectImage::Effect_Lightness(int value) {
    picture_ = lightened(Picture(), value);
    if (!sharpPending_) {
        sharp_ = lightened(sharp_, value);
    }
    lightenings_.append(value);
    update();
}

void TProEffectImage::paintEvent(QPaintEvent*) {
    const QImage& picture = Picture();
    if (picture.isNull()) {
        return;
    }
    QPainter painter(this);
    if (devicePixelRatioF() > 1 && !sharpPicture().isNull()) {
        pictures::drawSharp(painter, stretch_ ? QRectF(rect()) : QRectF(QPointF(), picture.size()),
                            sharpPicture());
    } else if (stretch_) {
        painter.drawImage(rect(), picture);
    } else {
        painter.drawImage(0, 0, picture);
    }
}
