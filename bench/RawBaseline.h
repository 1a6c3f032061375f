#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// The baseline both store benchmarks compare with: the values of a 100-product registration
// inserted straight into SQLite, in one transaction, with the hive's durability settings.
namespace baseline {

struct Row {
    QString name;
    bool integer;
    QString text;
    int number;
};

// 26 registration fields, 6 values for each of 100 products, and the registration string.
std::vector<Row> registration();

// Milliseconds for encoding the rows, the inserts and the commit into a new database at path.
double viaSqlite(const QString& path, const std::vector<Row>& rows);

}  // namespace baseline
