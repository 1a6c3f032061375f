#include "Registry.h"

#include "Cp950.h"
#include "platform/Error.h"
#include "platform/Hive.h"

#include <QtEndian>

namespace {

Error invalidType(const QString& name) {
    return Error(formatMessage(QStringLiteral("Invalid data type for '%s'"), name));
}

// The number a value name carries after its prefix, 0 unless it is one of 1 .. last.
qint64 numberIn(QStringView digits, int last) {
    if (digits.isEmpty() || digits.size() > 10 || digits.front() == u'0') {
        return 0;
    }
    qint64 n = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9') {
            return 0;
        }
        n = n * 10 + (c.unicode() - u'0');
    }
    return n <= last ? n : 0;
}

}  // namespace

qint64 Registry::base(const QString& path) const {
    if (current_ && !path.startsWith(u'\\')) {
        return *current_;
    }
    return Hive::kRoot;
}

bool Registry::OpenKey(const QString& path, bool canCreate) {
    const qint64 from = base(path);
    if (canCreate) {
        try {
            current_ = Hive::instance().createKey(from, path);
        } catch (const HiveFileError&) {
            throw;
        } catch (const Error&) {
            throw Error(formatMessage(QStringLiteral("Failed to create key %s"), path));
        }
        return true;
    }
    current_ = Hive::instance().findKey(from, path);
    return current_.has_value();
}

void Registry::CreateKey(const QString& path) {
    try {
        Hive::instance().createKey(base(path), path);
    } catch (const HiveFileError&) {
        throw;
    } catch (const Error&) {
        throw Error(formatMessage(QStringLiteral("Failed to create key %s"), path));
    }
}

bool Registry::KeyExists(const QString& path) {
    return Hive::instance().findKey(base(path), path).has_value();
}

bool Registry::ValueExists(const QString& name) {
    return current_ && Hive::instance().readValue(*current_, name).has_value();
}

QByteArray Registry::ReadBytes(const QString& name) {
    if (!current_) {
        return {};
    }
    const auto value = Hive::instance().readValue(*current_, name);
    if (!value) {
        return {};
    }
    if (value->type != Hive::String) {
        throw invalidType(name);
    }
    return value->data;
}

QString Registry::ReadString(const QString& name) {
    return cp950::decode(ReadBytes(name));
}

int Registry::ReadInteger(const QString& name) {
    const auto value = current_ ? Hive::instance().readValue(*current_, name) : std::nullopt;
    if (!value) {
        throw Error(formatMessage(QStringLiteral("Failed to get data for '%s'"), name));
    }
    if (value->type != Hive::Dword || value->data.size() != 4) {
        throw invalidType(name);
    }
    return qFromLittleEndian<qint32>(value->data.constData());
}

QList<QByteArray> Registry::ReadNumberedBytes(const QString& prefix, int last) {
    QList<QByteArray> texts;
    if (!current_) {
        return texts;
    }
    qint64 wrongType = 0;
    for (const Hive::Value& v : Hive::instance().valuesStartingWith(*current_, prefix)) {
        const qint64 n = numberIn(QStringView(v.name).mid(prefix.size()), last);
        if (n == 0) {
            continue;
        }
        if (v.type != Hive::String) {
            wrongType = wrongType == 0 ? n : qMin(wrongType, n);
            continue;
        }
        texts.append(v.data);
    }
    if (wrongType != 0) {
        throw invalidType(prefix + QString::number(wrongType));
    }
    return texts;
}

void Registry::write(const QString& name, int type, const QByteArray& data) {
    if (!current_) {
        throw Error(formatMessage(QStringLiteral("Failed to set data for '%s'"), name));
    }
    try {
        Hive::instance().writeValue(*current_, name, type, data);
    } catch (const HiveFileError&) {
        throw;
    } catch (const Error&) {
        throw Error(formatMessage(QStringLiteral("Failed to set data for '%s'"), name));
    }
}

void Registry::WriteBytes(const QString& name, const QByteArray& cp950) {
    write(name, Hive::String, cp950);
}

void Registry::WriteString(const QString& name, const QString& value) {
    if (!current_) {
        write(name, Hive::String, {});
    }
    write(name, Hive::String, cp950::encode(value));
}

void Registry::WriteInteger(const QString& name, int value) {
    QByteArray data(4, '\0');
    qToLittleEndian<qint32>(value, data.data());
    write(name, Hive::Dword, data);
}

void Registry::DeleteValue(const QString& name) {
    if (current_) {
        Hive::instance().deleteValue(*current_, name);
    }
}
