#pragma once

#include <QImage>
#include <QList>
#include <QWidget>

// A picture control with one pixel operation, Effect_Lightness. Hover buttons use one as
// their visible face and a hidden one (the twin) as the keeper of the plain face.
class TProEffectImage : public QWidget {
    Q_OBJECT
    // The picture by resource name, so that forms can set it in their layout.
    Q_PROPERTY(QString pictureName READ pictureName WRITE setPictureName)
    // Stretch the picture to the control instead of drawing it at its own size.
    Q_PROPERTY(bool stretch READ stretch WRITE setStretch)

public:
    explicit TProEffectImage(QWidget* parent = nullptr);

    const QImage& Picture() const;
    // The same picture at twice the size, lightened alike, for dense screens; null for a
    // picture set as an image.
    const QImage& sharpPicture() const;
    void setPicture(const QImage& picture);
    // The face of another control, as a leave handler restores it from the twin.
    void assignPicture(const TProEffectImage* other);

    QString pictureName() const { return pictureName_; }
    void setPictureName(const QString& name);
    bool stretch() const { return stretch_; }
    void setStretch(bool on);

    // Every colour channel c becomes c + ((255 - c) * value) / 255 (integer division, then
    // limited to 0..255); the alpha channel is kept, so see-through stays see-through.
    void Effect_Lightness(int value);

    static QImage lightened(const QImage& image, int value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage withLightenings(QImage image) const;

    // A picture named in the layout is decoded when it is first needed: most windows stay
    // hidden for the whole run, and large backgrounds cost start-up time. The 2x picture is
    // decoded only for a dense screen, so it is made from the name and the lightenings since.
    mutable QImage picture_;
    mutable bool pending_ = false;
    mutable QImage sharp_;
    mutable bool sharpPending_ = false;
    QString pictureName_;
    QList<int> lightenings_;
    bool stretch_ = false;
};
