#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

// While a print is followed, the user's input reaches only the window that shows it and the
// questions it asks: a click or key meant for any other window is dropped, never kept for
// later, and a window that is asked to close (its close box, a log-out) stays. Such a close
// takes effect once, after the handler that printed has ended and no question is open, and
// only for a window that is still shown then.
class InputHold final : public QObject {
public:
    // `window`: the window that shows the print and takes input meanwhile.
    explicit InputHold(QWidget* window);
    ~InputHold() override;
    InputHold(const InputHold&) = delete;
    InputHold& operator=(const InputHold&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool allowed(const QObject* watched) const;

    QPointer<QWidget> window_;
    QList<QPointer<QWidget>> closes_;
};
