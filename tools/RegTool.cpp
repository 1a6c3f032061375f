#include "RegTool.h"

#include "core/Cp950.h"
#include "platform/Error.h"
#include "platform/Hive.h"

#include <QtEndian>
#include <cstdint>
#include <optional>

namespace {

const QString kRootName = QStringLiteral("HKEY_CURRENT_USER");

struct Options {
    QString command;
    QString key;
    std::optional<QString> value;
    QString type = QStringLiteral("REG_SZ");
    QString data;
};

class UsageError : public Error {
public:
    using Error::Error;
};

QString stripRoot(QString key) {
    for (const QString& prefix : {QStringLiteral("HKCU"), kRootName}) {
        if (key.compare(prefix, Qt::CaseInsensitive) == 0) {
            return {};
        }
        if (key.startsWith(prefix + u'\\', Qt::CaseInsensitive)) {
            return key.mid(prefix.size() + 1);
        }
    }
    return key;
}

Options parse(const QStringList& args) {
    if (args.isEmpty()) {
        throw UsageError(QStringLiteral("no command given"));
    }
    Options o;
    o.command = args.front().toLower();
    qsizetype i = 1;
    if (i < args.size() && !args[i].startsWith(u'/')) {
        o.key = stripRoot(args[i++]);
    } else if (o.command != QStringLiteral("export")) {
        throw UsageError(QStringLiteral("%1 needs a key").arg(o.command));
    }
    const auto next = [&](const QString& option) {
        if (i + 1 >= args.size()) {
            throw UsageError(QStringLiteral("%1 needs a value").arg(option));
        }
        return args[++i];
    };
    for (; i < args.size(); ++i) {
        const QString option = args[i].toLower();
        if (option == QStringLiteral("/v")) {
            o.value = next(args[i]);
        } else if (option == QStringLiteral("/t")) {
            o.type = next(args[i]).toUpper();
        } else if (option == QStringLiteral("/d")) {
            o.data = next(args[i]);
        } else if (option != QStringLiteral("/f")) {
            throw UsageError(QStringLiteral("unknown option %1").arg(args[i]));
        }
    }
    return o;
}

QString typeName(int type) {
    switch (type) {
        case Hive::String:
            return QStringLiteral("REG_SZ");
        case Hive::Dword:
            return QStringLiteral("REG_DWORD");
        case Hive::Binary:
            return QStringLiteral("REG_BINARY");
        default:
            return QStringLiteral("REG_TYPE_%1").arg(type);
    }
}

QString display(const Hive::Value& v) {
    if (v.type == Hive::String) {
        return cp950::decode(v.data);
    }
    if (v.type == Hive::Dword && v.data.size() == 4) {
        return QStringLiteral("0x%1").arg(qFromLittleEndian<quint32>(v.data.constData()), 0, 16);
    }
    return QString::fromLatin1(v.data.toHex()).toUpper();
}

QString fullName(const QString& key) {
    return key.isEmpty() ? kRootName : kRootName + u'\\' + key;
}

qint64 existingKey(Hive& hive, const QString& key) {
    const auto id = hive.findKey(Hive::kRoot, key);
    if (!id) {
        throw Error(QStringLiteral("the key %1 does not exist").arg(fullName(key)));
    }
    return *id;
}

QByteArray encodeData(const Options& o, int& type) {
    if (o.type == QStringLiteral("REG_SZ")) {
        type = Hive::String;
        return cp950::encode(o.data);
    }
    if (o.type == QStringLiteral("REG_DWORD")) {
        type = Hive::Dword;
        bool ok = false;
        const bool hex = o.data.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive);
        qint64 number = hex ? o.data.mid(2).toLongLong(&ok, 16) : o.data.toLongLong(&ok, 10);
        if (!ok || number < INT32_MIN || number > UINT32_MAX) {
            throw Error(QStringLiteral("%1 is no 32-bit number").arg(o.data));
        }
        QByteArray data(4, '\0');
        qToLittleEndian<quint32>(static_cast<quint32>(number), data.data());
        return data;
    }
    if (o.type == QStringLiteral("REG_BINARY")) {
        type = Hive::Binary;
        const QByteArray hex = o.data.toLatin1();
        const QByteArray bytes = QByteArray::fromHex(hex);
        if (hex.size() % 2 != 0 || bytes.toHex().toLower() != hex.toLower()) {
            throw Error(QStringLiteral("%1 is no even run of hexadecimal digits").arg(o.data));
        }
        return bytes;
    }
    throw UsageError(QStringLiteral("unknown type %1").arg(o.type));
}

void exportValues(Hive& hive, qint64 id, QTextStream& out) {
    for (const Hive::Value& v : hive.values(id)) {
        QString escaped = v.name;
        escaped.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
        out << '"' << escaped << "\"=";
        if (v.type == Hive::String) {
            QString text = cp950::decode(v.data);
            text.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
            out << '"' << text << '"';
        } else if (v.type == Hive::Dword && v.data.size() == 4) {
            out << QStringLiteral("dword:%1")
                       .arg(qFromLittleEndian<quint32>(v.data.constData()), 8, 16, QChar(u'0'));
        } else if (v.type == Hive::Binary) {
            out << "hex:" << QString::fromLatin1(v.data.toHex(','));
        } else {
            out << QStringLiteral("hex(%1):").arg(v.type) << QString::fromLatin1(v.data.toHex(','));
        }
        out << '\n';
    }
}

// A key, then each subkey with all below it, in name order. The walk keeps its own list of
// keys still to print: a key tens of thousands of levels deep must not exhaust the stack.
void exportKey(Hive& hive, qint64 id, const QString& name, QTextStream& out) {
    QList<QPair<qint64, QString>> pending{{id, name}};
    while (!pending.isEmpty()) {
        const auto [key, keyName] = pending.takeLast();
        out << '[' << fullName(keyName) << "]\n";
        exportValues(hive, key, out);
        out << '\n';
        const QStringList children = hive.subkeys(key);
        for (auto child = children.crbegin(); child != children.crend(); ++child) {
            pending.append({*hive.findKey(key, *child),
                            keyName.isEmpty() ? *child : keyName + u'\\' + *child});
        }
    }
}

int run(const Options& o, QTextStream& out) {
    Hive& hive = Hive::instance();
    if (o.command == QStringLiteral("query")) {
        const qint64 id = existingKey(hive, o.key);
        out << fullName(o.key) << '\n';
        if (o.value) {
            const auto v = hive.readValue(id, *o.value);
            if (!v) {
                throw Error(QStringLiteral("the value %1 does not exist").arg(*o.value));
            }
            out << "    " << v->name << "    " << typeName(v->type) << "    " << display(*v)
                << '\n';
            return 0;
        }
        for (const Hive::Value& v : hive.values(id)) {
            out << "    " << v.name << "    " << typeName(v.type) << "    " << display(v) << '\n';
        }
        for (const QString& child : hive.subkeys(id)) {
            out << '\n' << fullName(o.key.isEmpty() ? child : o.key + u'\\' + child);
        }
        out << '\n';
        return 0;
    }
    if (o.command == QStringLiteral("add")) {
        if (!o.value) {
            throw UsageError(QStringLiteral("add needs /v NAME"));
        }
        int type = Hive::String;
        const QByteArray data = encodeData(o, type);
        HiveTransaction transaction;
        const qint64 id = hive.createKey(Hive::kRoot, o.key);
        hive.writeValue(id, *o.value, type, data);
        transaction.commit();
        out << "The operation completed successfully.\n";
        return 0;
    }
    if (o.command == QStringLiteral("delete")) {
        if (!o.value) {
            throw UsageError(QStringLiteral("delete needs /v NAME"));
        }
        const qint64 id = existingKey(hive, o.key);
        if (!hive.readValue(id, *o.value)) {
            throw Error(QStringLiteral("the value %1 does not exist").arg(*o.value));
        }
        hive.deleteValue(id, *o.value);
        out << "The operation completed successfully.\n";
        return 0;
    }
    if (o.command == QStringLiteral("export")) {
        const qint64 id = o.key.isEmpty() ? Hive::kRoot : existingKey(hive, o.key);
        exportKey(hive, id, o.key.isEmpty() ? QString() : hive.keyName(id), out);
        return 0;
    }
    throw UsageError(QStringLiteral("unknown command %1").arg(o.command));
}

}  // namespace

int runRegTool(const QStringList& args, QTextStream& out, QTextStream& err) {
    try {
        return run(parse(args), out);
    } catch (const UsageError& e) {
        err << "ERROR: " << e.message() << '\n'
            << "usage: orvexreg-reg query KEY [/v NAME]\n"
               "       orvexreg-reg add KEY /v NAME [/t REG_SZ|REG_DWORD|REG_BINARY] [/d DATA]\n"
               "       orvexreg-reg delete KEY /v NAME\n"
               "       orvexreg-reg export [KEY]\n";
        return 2;
    } catch (const Error& e) {
        err << "ERROR: " << e.message() << '\n';
        return 1;
    }
}
