#pragma once

#include "platform/Spooler.h"

#include <QByteArray>
#include <QList>

// A spooler for tests without one: it takes every job and tells, at each look, the next of the
// job states it was given (as IPP numbers them; 0: it knows no such job), the last one for
// ever after. It is the spooler module while it exists.
class FakeSpooler {
public:
    explicit FakeSpooler(QList<int> states);
    ~FakeSpooler();
    FakeSpooler(const FakeSpooler&) = delete;
    FakeSpooler& operator=(const FakeSpooler&) = delete;

    int jobs() const;       // jobs created
    int looks() const;      // times the job's state was asked
    bool canceled() const;  // a job was canceled

private:
    spooler::Module module_;
};
