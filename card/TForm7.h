#pragma once

#include <QWidget>

// The report form of the registration card; never shown itself.
class TForm7 : public QWidget {
    Q_OBJECT
public:
    explicit TForm7(QWidget* parent = nullptr);
};
