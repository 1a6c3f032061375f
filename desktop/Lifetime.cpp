#include "Lifetime.h"

#include <QCoreApplication>

namespace lifetime {
namespace {

bool& requested() {
    static bool flag = false;
    return flag;
}

}  // namespace

void endProgram() {
    requested() = true;
    QCoreApplication::exit(0);
}

bool endRequested() {
    return requested();
}

void reset() {
    requested() = false;
}

}  // namespace lifetime
