#pragma once

#include <QMessageBox>

// The message box on screen: kept with the window that raised it, and wide enough for its
// whole caption. A question (Yes and No) has no cancel action, as on Windows: Escape and the
// close box do nothing, only its buttons answer it.
class MessageBoxWindow final : public QMessageBox {
public:
    explicit MessageBoxWindow(bool question);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool question_;
};
