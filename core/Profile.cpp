#include "Profile.h"

#include "Cp950.h"
#include "ProfileParser.h"
#include "platform/LocalClock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <QFile>
#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <mutex>
#include <optional>
#include <vector>

namespace {

using DocumentPtr = std::shared_ptr<const profile::Document>;

qint64 nanoseconds(const timespec& t) {
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

qint64 nanoseconds(const statx_timestamp& t) {
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// One state of a file on disk. A rewrite in place moves its times, a replaced file brings
// another inode.
struct Stamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    qint64 modified = 0;
    qint64 changed = 0;

    explicit Stamp(const struct stat& st)
        : device(st.st_dev),
          inode(st.st_ino),
          size(st.st_size),
          modified(nanoseconds(st.st_mtim)),
          changed(nanoseconds(st.st_ctim)) {}
    explicit Stamp(const struct statx& st)
        : device(makedev(st.stx_dev_major, st.stx_dev_minor)),
          inode(st.stx_ino),
          size(static_cast<off_t>(st.stx_size)),
          modified(nanoseconds(st.stx_mtime)),
          changed(nanoseconds(st.stx_ctime)) {}
    bool operator==(const Stamp&) const = default;
};

// File times tick with a coarse clock, in whole seconds on some file systems: a change made in
// the same tick as an earlier one may keep its stamp. A file read well after its last change
// shows any further change in its stamp; one read sooner is read again at the next use.
bool settled(const Stamp& stamp, qint64 readStart) {
    const qint64 latest = std::max(stamp.modified, stamp.changed);
    const qint64 tick = latest % 1'000'000'000 == 0 ? 2'000'000'000 : 100'000'000;
    return latest + tick <= readStart;
}

struct Cached {
    QString path;
    Stamp stamp;
    bool settled;
    std::size_t contentHash;
    DocumentPtr document;
};

constexpr std::size_t kCachedFiles = 8;

std::mutex cacheMutex;
std::vector<Cached> cache;  // the most recently used last
std::atomic<quint64> parses{0};

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

std::optional<std::string> readRest(int fd, off_t sizeHint) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(std::max<off_t>(sizeHint, 0)) + 1);
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) {
            return bytes;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

DocumentPtr emptyDocument() {
    static const DocumentPtr empty = std::make_shared<const profile::Document>();
    return empty;
}

// The cached document while the file keeps its settled stamp, found with one status call
// rather than an open: a lookup is then as cheap as the file allows. Forced in sync, so that a
// network file system asks its server as an open would.
DocumentPtr cachedIfUnchanged(const QString& path, const QByteArray& native) {
    struct statx st {};
    if (::statx(AT_FDCWD, native.constData(), AT_STATX_FORCE_SYNC, STATX_BASIC_STATS, &st) != 0 ||
        !S_ISREG(st.stx_mode)) {
        return nullptr;
    }
    const Stamp stamp(st);
    const std::lock_guard lock(cacheMutex);
    const auto found = std::find_if(cache.begin(), cache.end(), [&](const Cached& c) {
        return c.path == path && c.settled && c.stamp == stamp;
    });
    if (found == cache.end()) {
        return nullptr;
    }
    std::rotate(found, found + 1, cache.end());
    return cache.back().document;
}

DocumentPtr load(const QString& path) {
    if (path.isEmpty()) {
        return emptyDocument();
    }
    const QByteArray native = QFile::encodeName(path);
    if (const DocumentPtr unchanged = cachedIfUnchanged(path, native)) {
        return unchanged;
    }
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const qint64 readStart = nanoseconds(now);
    // Read through one descriptor, so that the stamp and the bytes belong to one file. A pipe
    // in its place must not hold us up.
    const Descriptor fd(::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return emptyDocument();
    }
    const Stamp stamp(st);

    const std::lock_guard lock(cacheMutex);
    const auto found =
        std::find_if(cache.begin(), cache.end(), [&](const Cached& c) { return c.path == path; });
    std::optional<Cached> entry;
    if (found != cache.end()) {
        entry = std::move(*found);
        cache.erase(found);
    }
    if (!entry || entry->stamp != stamp || !entry->settled) {
        const auto bytes = readRest(fd.get(), st.st_size);
        if (!bytes) {
            return emptyDocument();
        }
        const std::size_t hash = std::hash<std::string_view>{}(*bytes);
        // The same bytes again (a file touched, or confirmed after a recent change) need no
        // second parse.
        DocumentPtr document;
        if (entry && entry->contentHash == hash) {
            document = entry->document;
        } else {
            document = std::make_shared<const profile::Document>(profile::parse(*bytes));
            ++parses;
        }
        entry = Cached{path, stamp, settled(stamp, readStart), hash, std::move(document)};
    }
    if (cache.size() >= kCachedFiles) {
        cache.erase(cache.begin());
    }
    cache.push_back(*entry);
    return entry->document;
}

std::optional<std::string> lookup(const profile::Document& doc, const QString& section,
                                  const QString& key) {
    const auto s = cp950::tryEncode(section);
    const auto k = cp950::tryEncode(key);
    if (!s || !k) {
        return std::nullopt;
    }
    return profile::value(doc, s->toStdString(), k->toStdString());
}

QString decode(const std::string& bytes) {
    return cp950::decode(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::optional<int> parseProfileInt(const std::string& text) {
    std::string s = text;
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        s = s.substr(2);
        base = 16;
    }
    if (s.empty() || std::isspace(static_cast<unsigned char>(s.back()))) {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(s.c_str(), &end, base);
    if (errno != 0 || end != s.c_str() + s.size()) {
        return std::nullopt;
    }
    if (base == 16) {
        // Up to eight hex digits, taken as the bits of a 32-bit integer.
        if (value < 0 || value > 0xFFFFFFFFLL || s.front() == '-' || s.front() == '+') {
            return std::nullopt;
        }
        return static_cast<int>(static_cast<unsigned int>(value));
    }
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

}  // namespace

IniFile IniFile::snapshot() const {
    IniFile pinned(path_);
    pinned.pinned_ = document();
    return pinned;
}

quint64 IniFile::parseCount() {
    return parses.load();
}

std::shared_ptr<const profile::Document> IniFile::document() const {
    return pinned_ ? pinned_ : load(path_);
}

QString IniFile::ReadString(const QString& section, const QString& key, const QString& def) const {
    const auto value = lookup(*document(), section, key);
    return value ? decode(*value) : def;
}

int IniFile::ReadInteger(const QString& section, const QString& key, int def) const {
    const auto value = lookup(*document(), section, key);
    if (!value) {
        return def;
    }
    return parseProfileInt(*value).value_or(def);
}

double IniFile::ReadFloat(const QString& section, const QString& key, double def) const {
    const auto value = lookup(*document(), section, key);
    if (!value || value->empty()) {
        return def;
    }
    // Accept digits, one locale separator and an optional sign and exponent; a "." in a
    // locale that separates with "," is no number, as the locale-bound reader has it.
    const QChar separator = LocalClock::decimalSeparator();
    QString text = decode(*value).trimmed();
    if (separator != u'.') {
        if (text.contains(u'.')) {
            return def;
        }
        text.replace(separator, u'.');
    }
    for (const QChar c : text) {
        if (!(c.isDigit() && c.unicode() < 0x80) && c != u'.' && c != u'-' && c != u'+' &&
            c != u'e' && c != u'E') {
            return def;
        }
    }
    bool ok = false;
    const double result = text.toDouble(&ok);
    return ok && std::isfinite(result) ? result : def;
}

QStringList IniFile::ReadSection(const QString& section) const {
    QStringList names;
    const auto s = cp950::tryEncode(section);
    if (!s) {
        return names;
    }
    const auto doc = document();
    if (const profile::Section* found = doc->find(s->toStdString())) {
        for (const profile::Entry& e : found->entries) {
            names.append(decode(e.key));
        }
    }
    return names;
}

QStringList IniFile::ReadSections() const {
    QStringList names;
    for (const profile::Section& s : document()->sections) {
        names.append(decode(s.name));
    }
    return names;
}
