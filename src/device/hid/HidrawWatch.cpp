#include "device/hid/HidrawWatch.h"

#include <libudev.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

class HidrawWatch final : public HidChangeWatch {
public:
    HidrawWatch(int (*hangupFdOf)(const HidHandle&), const std::string& udevControl)
        : hangupFdOf_(hangupFdOf), wakeFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
    {
        if (access(udevControl.c_str(), F_OK) != 0)
            return;
        udev_ = udev_new();
        // udev's own events, not the kernel's: they come once the rules have
        // given a new node its permissions, so that it can be opened then.
        if (udev_)
            monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
        if (!monitor_ || udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0
            || udev_monitor_enable_receiving(monitor_) < 0)
            DropMonitor();
    }
    ~HidrawWatch() override
    {
        DropMonitor();
        if (wakeFd_ >= 0)
            close(wakeFd_);
    }
    HidrawWatch(const HidrawWatch&) = delete;
    HidrawWatch& operator=(const HidrawWatch&) = delete;

    HidChange Wait(std::chrono::milliseconds limit, const HidHandle* watched) override
    {
        const auto deadline =
            std::chrono::steady_clock::now() + std::min<std::chrono::milliseconds>(limit, std::chrono::hours(24));
        // Only hang-ups are asked of the node: its reports are the channel's.
        pollfd fds[3] = {{wakeFd_, POLLIN, 0},
                         {monitor_ ? udev_monitor_get_fd(monitor_) : -1, POLLIN, 0},
                         {watched ? hangupFdOf_(*watched) : -1, 0, 0}};
        for (;;) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            const int r = poll(fds, 3, static_cast<int>(std::clamp<long long>(left.count(), 0, INT_MAX)));
            if (r < 0 && errno == EINTR)
                continue;
            if (r < 0) {
                // poll itself failed (no memory): a pause keeps the caller
                // from spinning.
                usleep(100 * 1000);
                return HidChange::Maybe;
            }
            if (r == 0)
                return HidChange::None;
            HidChange change = HidChange::Maybe;
            if (fds[2].revents & (POLLHUP | POLLERR | POLLNVAL))
                change = HidChange::HandleGone;
            if (fds[0].revents & POLLIN) {
                uint64_t count = 0;
                [[maybe_unused]] ssize_t n = read(wakeFd_, &count, sizeof count);
            }
            // Every event is taken, or the socket would stay readable; the
            // read also clears an overrun, which would stay an error.
            if (fds[1].revents != 0) {
                while (udev_device* device = udev_monitor_receive_device(monitor_))
                    udev_device_unref(device);
            }
            return change;
        }
    }

    void Wake() override
    {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(wakeFd_, &one, sizeof one);
    }

    bool CanWatch(const HidHandle& handle) const override { return hangupFdOf_(handle) >= 0; }
    bool SeesArrivals() const override { return monitor_ != nullptr; }
    bool Usable() const { return wakeFd_ >= 0; }

private:
    void DropMonitor()
    {
        if (monitor_)
            udev_monitor_unref(monitor_);
        if (udev_)
            udev_unref(udev_);
        monitor_ = nullptr;
        udev_ = nullptr;
    }

    int (*hangupFdOf_)(const HidHandle&);
    int wakeFd_;
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
};

} // namespace

std::unique_ptr<HidChangeWatch> MakeHidrawWatch(int (*hangupFdOf)(const HidHandle&), const std::string& udevControl)
{
    auto watch = std::make_unique<HidrawWatch>(hangupFdOf, udevControl);
    if (!watch->Usable())
        return nullptr; // a wait nobody could wake would hold up a stop
    return watch;
}
