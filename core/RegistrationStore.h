#pragma once

#include "Registration.h"
#include "platform/Error.h"

#include <QDate>
#include <QString>
#include <array>
#include <optional>

// The first-run date as the first run recorded it: three texts that hold whole numbers.
class FirstRunDate {
public:
    // The date; nothing when a part is missing, no whole number or of another type, or when
    // the day cannot exist.
    std::optional<QDate> date() const;
    // The date, or the error a completion stops with: a part of another type is reported as
    // the hive reports it, a part that is no whole number with "'%s' is not a valid integer
    // value", a day that cannot exist with "Invalid argument to date encode".
    QDate required() const;

private:
    friend class RegistrationStore;
    struct Part {
        QString text;
        std::optional<Error> unreadable;
    };
    std::array<Part, 3> parts_;  // year, month, day
};

// The entries of the last stored registration, as the form restores them: numbers are 0 and
// texts empty where nothing is stored.
struct StoredEntries {
    QString name;
    QString compName;
    int birthY = 0;
    int birthM = 0;
    int birthD = 0;
    int sex = 0;
    QString area1;
    QString area2;
    QString addr;
    QString eAddr;
    QString prePhone;
    QString phone;
    QString extPhone;
    QString preFax;
    QString fax;
    QString preMPhone;
    QString mPhone;
    // The last product entry stored.
    QString printerType;
    QString prodCd;
    QString chnlId;
    int purchaseY = 0;
    int purchaseM = 0;
    int purchaseD = 0;
    // The owner's values follow the stored string, not the member type shown: a person's
    // string carries "ownertype=0".
    QString registration;
    bool person = false;
    int education = 0;
    int occupation = 0;
    int pos = 0;
    int companyScale = 0;
    int companyCapital = 0;
};

// A registration ready to be stored: its values converted, its registration string built,
// nothing written yet.
class Completion {
public:
    const Registration& registration() const { return registration_; }
    const QString& string() const { return string_; }

private:
    friend class RegistrationStore;
    struct Numbers {
        int birthY, birthM, birthD, sex, occupation, pos;
    };
    Registration registration_;
    Numbers numbers_{};
    // Year, month and day of each product; a product that is not stored has none.
    QList<std::array<int, 3>> purchaseDates_;
    QString string_;
};

// The registration's stored state in the current-user hive: what a completion writes, what
// the form restores, the first-run date, the upload's outcome and the reminder's Run value.
// Each operation opens what it needs and closes it again; each raises Error when the hive or
// the stored values make it impossible, and then has changed nothing.
class RegistrationStore {
public:
    // ProductCount; 0 when it or the state key is missing.
    int productCount() const;
    // Stops with an error naming the stored count when it is below 0 or `added` products would
    // carry it past the largest 32-bit value.
    void checkRoom(int added) const;

    [[nodiscard]] FirstRunDate firstRunDate() const;

    // Everything a completion stores, checked and converted before anything is written or
    // printed: the state key exists, the codes and dates are whole numbers, the count has
    // room, the first-run date is a date. Raises the error the first failing value gives.
    [[nodiscard]] Completion complete(const Registration& registration) const;

    enum class Reminder { Keep, Remove };
    // Writes a completed registration as one transaction: the entries, ProductCount, the
    // products under their new entry numbers and regStr; with Reminder::Remove (a printed
    // card) the reminder's Run value goes too. All or nothing.
    void save(const Completion& completion, Reminder reminder) const;

    [[nodiscard]] StoredEntries lastEntries() const;

    // Whether the last upload failed, and the registration string stored.
    [[nodiscard]] bool uploadFailed() const;
    [[nodiscard]] QString storedString() const;
    // The outcome of an upload as one transaction. A failure keeps the string posted for the
    // next start; a success records the date and switches the reminder to its "hide" form.
    void recordUpload(bool failed, const QString& posted) const;

    // The user chose to be reminded next time.
    void remindLater() const;
    // The reminder no longer starts at log-on; a missing value is no error.
    void removeReminder() const;
};
