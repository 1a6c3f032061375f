#include "tools/receiver/HeadGate.h"

#include "tools/receiver/RequestHead.h"

#include <sys/epoll.h>
#include <unistd.h>
#include <QList>
#include <algorithm>
#include <cerrno>
#include <climits>

namespace {

// The library answers a head larger than its memory itself, before any handler sees it.
constexpr int kHeadTooLarge = 431;
constexpr int kEventsPerCall = 64;

}  // namespace

HeadGate::HeadGate(qsizetype maxHead, int headTimeoutMs, int idleTimeoutMs, QObject* parent)
    : QObject(parent),
      maxHead_(maxHead),
      headTimeoutMs_(headTimeoutMs),
      idleTimeoutMs_(idleTimeoutMs),
      epoll_(::epoll_create1(EPOLL_CLOEXEC)),
      buffer_(maxHead, Qt::Uninitialized) {
    clock_.start();
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &HeadGate::expire);
    if (epoll_ >= 0) {
        notifier_ = std::make_unique<QSocketNotifier>(epoll_, QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, &HeadGate::events);
    }
}

HeadGate::~HeadGate() {
    notifier_.reset();
    for (const Arrival& arrival : std::as_const(waiting_)) {
        ::close(arrival.fd);
    }
    if (epoll_ >= 0) {
        ::close(epoll_);
    }
}

void HeadGate::take(int fd, const sockaddr_storage& peer, socklen_t peerLength) {
    const qint64 now = clock_.elapsed();
    waiting_.insert(fd, {fd, peer, peerLength, ++arrivals_, now, now, 0});
    // Edge-triggered: a look leaves the bytes in the socket, so only new ones may wake the gate.
    epoll_event event{};
    event.events = EPOLLIN | EPOLLRDHUP | EPOLLET;
    event.data.fd = fd;
    if (epoll_ < 0 || ::epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event) != 0) {
        close(fd);
        return;
    }
    look(fd, false);  // the head usually came with the connection
    schedule();
}

bool HeadGate::dropOldest() {
    const auto oldest =
        std::min_element(waiting_.cbegin(), waiting_.cend(),
                         [](const Arrival& a, const Arrival& b) { return a.number < b.number; });
    if (oldest == waiting_.cend()) {
        return false;
    }
    close(oldest->fd);
    schedule();
    return true;
}

void HeadGate::events() {
    epoll_event events[kEventsPerCall];
    int count = 0;
    do {
        count = ::epoll_wait(epoll_, events, kEventsPerCall, 0);
        for (int i = 0; i < count; ++i) {
            look(events[i].data.fd, (events[i].events & (EPOLLRDHUP | EPOLLHUP | EPOLLERR)) != 0);
        }
    } while (count == kEventsPerCall);
    schedule();
}

// ended: the client will send nothing more.
void HeadGate::look(int fd, bool ended) {
    const auto arrival = waiting_.find(fd);
    if (arrival == waiting_.end()) {
        return;
    }
    ssize_t got = 0;
    do {
        got = ::recv(fd, buffer_.data(), static_cast<size_t>(buffer_.size()), MSG_PEEK);
    } while (got < 0 && errno == EINTR);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && !ended) {
        return;
    }
    if (got <= 0) {
        close(fd);  // gone, or failed
        return;
    }
    const QByteArrayView bytes(buffer_.constData(), got);
    // A head ends with a line: bytes without a line end cannot end it, and are not read
    // through again, however few come at a time.
    if (!ended && got < maxHead_ &&
        (got <= arrival->seen || !bytes.sliced(arrival->seen).contains('\n'))) {
        if (got > arrival->seen) {
            arrival->seen = got;
            arrival->active = clock_.elapsed();
        }
        return;
    }
    const qsizetype length = requesthead::length(bytes);
    if (length > 0) {
        handOn(fd, requesthead::fault(bytes.first(length)));
    } else if (got >= maxHead_) {
        handOn(fd, kHeadTooLarge);
    } else if (ended) {
        close(fd);
    } else if (got > arrival->seen) {
        arrival->seen = got;
        arrival->active = clock_.elapsed();
    }
}

void HeadGate::handOn(int fd, int verdict) {
    const Arrival arrival = waiting_.take(fd);
    ::epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
    emit headed(arrival, verdict);
}

void HeadGate::close(int fd) {
    waiting_.remove(fd);
    if (epoll_ >= 0) {
        ::epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
    }
    ::close(fd);
    emit closed();
}

qint64 HeadGate::deadline(const Arrival& arrival) const {
    return std::min(arrival.since + headTimeoutMs_, arrival.active + idleTimeoutMs_);
}

void HeadGate::expire() {
    const qint64 now = clock_.elapsed();
    QList<int> late;
    for (const Arrival& arrival : std::as_const(waiting_)) {
        if (deadline(arrival) <= now) {
            late.append(arrival.fd);
        }
    }
    for (int fd : late) {
        close(fd);
    }
    schedule();
}

void HeadGate::schedule() {
    if (waiting_.isEmpty()) {
        timer_.stop();
        return;
    }
    qint64 next = LLONG_MAX;
    for (const Arrival& arrival : std::as_const(waiting_)) {
        next = std::min(next, deadline(arrival));
    }
    timer_.start(static_cast<int>(std::clamp<qint64>(next - clock_.elapsed(), 0, INT_MAX)));
}
