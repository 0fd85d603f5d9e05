#include "platform/PollLoop.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <vector>

namespace kel {

PollLoop::PollLoop() {
    wake_fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake_fd_ < 0) throw std::runtime_error("eventfd failed");
}

PollLoop::~PollLoop() {
    if (wake_fd_ >= 0) close(wake_fd_);
}

void PollLoop::Wake() {
    uint64_t one = 1;
    // A full counter already means "wake up"; nothing to do on EAGAIN.
    [[maybe_unused]] ssize_t n = write(wake_fd_, &one, sizeof one);
}

void PollLoop::Post(std::function<void()> task) {
    PushTask(std::move(task));
    Wake();
}

void PollLoop::WatchReadable(int fd, std::function<void()> on_ready) { watched_[fd] = std::move(on_ready); }
void PollLoop::Unwatch(int fd) { watched_.erase(fd); }

void PollLoop::Stop() {
    stop_ = true;
    Wake();
}

void PollLoop::RequestStop() {
    stop_.store(true);
    Wake(); // write(2) is async-signal-safe
}

void PollLoop::Run() {
    // A Stop() that comes before Run() starts (another thread racing the
    // start-up) still ends this run; the flag is cleared only on the way out
    // so that the loop can be run again.
    struct ClearOnExit {
        std::atomic<bool>& flag;
        ~ClearOnExit() { flag = false; }
    } clear{stop_};
    std::vector<pollfd> fds;
    std::vector<int> order;
    while (!stop_) {
        RunPostedTasks();
        Armed a{};
        while (!stop_ && NextDue(Now(), a)) {
            Fire(a, Now());
            RunPostedTasks();
        }
        if (stop_) break;

        fds.clear();
        order.clear();
        fds.push_back({wake_fd_, POLLIN, 0});
        for (auto& [fd, cb] : watched_) {
            fds.push_back({fd, POLLIN, 0});
            order.push_back(fd);
        }
        int timeout = MsUntilNextDue(Now());
        int rc = poll(fds.data(), fds.size(), timeout);
        if (rc < 0) {
            if (errno == EINTR) continue;
            throw std::runtime_error("poll failed");
        }
        if (fds[0].revents & POLLIN) {
            uint64_t v;
            [[maybe_unused]] ssize_t n = read(wake_fd_, &v, sizeof v);
        }
        for (size_t i = 1; i < fds.size(); ++i) {
            if (!(fds[i].revents & (POLLIN | POLLERR | POLLHUP))) continue;
            auto it = watched_.find(order[i - 1]);
            if (it != watched_.end()) {
                auto cb = it->second; // the callback may unwatch itself
                cb();
            }
        }
    }
}

} // namespace kel
