#pragma once

#include <QString>

// Where the upload window finds a page or its settings file: in the program folder, or, when
// the file is not there and the install folder exists, in the install folder.
QString pagePath(const QString& programFolder, const QString& name);
