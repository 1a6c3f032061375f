#pragma once

#include <QImage>
#include <QString>

// Pictures compiled into the program, by file name ("face_95x25.png").
namespace pictures {

QImage load(const QString& name);

}  // namespace pictures
