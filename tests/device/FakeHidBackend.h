#pragma once

#include "device/hid/HidBackend.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

// A scripted HID backend for channel tests: interfaces to list, descriptors
// to hand out, input reports to deliver and a blocking read that only an
// abort, a report or a failure ends. Like the real backends it forgets an
// abort that no transfer waits for.
class FakeHidBackend : public HidBackend {
public:
    struct Device {
        HidInterfaceInfo info;
        std::vector<uint8_t> descriptor;
        int collection = 0;
    };

    // Shared by every handle opened on one path, so tests can feed reports.
    struct Line {
        std::mutex mutex;
        std::condition_variable changed;
        std::deque<std::vector<uint8_t>> reports;
        std::vector<std::vector<uint8_t>> written;
        int waiting = 0;
        int entered = 0; // reads that have started, waiting or not yet
        std::chrono::milliseconds startDelay{0}; // before a read starts waiting
        int abortsSeen = 0;
        bool abortPending = false;
        bool unplugged = false;
        // The device's answer to each report written (none when empty).
        std::function<std::vector<uint8_t>(const std::vector<uint8_t>&)> answer;

        void Push(std::vector<uint8_t> report)
        {
            std::lock_guard lock(mutex);
            reports.push_back(std::move(report));
            changed.notify_all();
        }
        void Unplug()
        {
            std::lock_guard lock(mutex);
            unplugged = true;
            changed.notify_all();
        }
        void WaitForReader()
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [this] { return waiting > 0; });
        }
        void WaitForReadEntered(int count)
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return entered >= count; });
        }
    };

    class Handle : public HidHandle {
    public:
        Handle(Device device, std::shared_ptr<Line> line) : device_(std::move(device)), line_(std::move(line)) {}
        HidInterfaceInfo Info() const override { return device_.info; }
        std::vector<uint8_t> ReportDescriptor() const override { return device_.descriptor; }
        int CollectionIndex() const override { return device_.collection; }
        std::string NodeIdentity() const override { return device_.info.path; }

        HidIo Read(std::span<uint8_t> buffer, size_t& transferred, int timeoutMs) override
        {
            transferred = 0;
            std::unique_lock lock(line_->mutex);
            ++line_->entered;
            line_->changed.notify_all();
            if (line_->startDelay.count() > 0) {
                lock.unlock();
                std::this_thread::sleep_for(line_->startDelay);
                lock.lock();
            }
            ++line_->waiting;
            line_->changed.notify_all();
            auto ready = [this] { return line_->abortPending || line_->unplugged || !line_->reports.empty(); };
            if (timeoutMs == HidInfinite)
                line_->changed.wait(lock, ready);
            else
                line_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
            HidIo result = HidIo::TimedOut;
            if (line_->abortPending) {
                result = HidIo::Aborted;
                ++line_->abortsSeen;
            } else if (line_->unplugged) {
                result = HidIo::Gone;
            } else if (!line_->reports.empty()) {
                const std::vector<uint8_t>& report = line_->reports.front();
                transferred = std::min(report.size(), buffer.size());
                std::copy_n(report.begin(), transferred, buffer.begin());
                line_->reports.pop_front();
                result = HidIo::Done;
            }
            if (--line_->waiting == 0)
                line_->abortPending = false;
            return result;
        }

        HidIo Write(std::span<const uint8_t> report, size_t& transferred, int) override
        {
            std::lock_guard lock(line_->mutex);
            if (line_->unplugged) {
                transferred = 0;
                return HidIo::Gone;
            }
            line_->written.emplace_back(report.begin(), report.end());
            transferred = report.size();
            if (line_->answer) {
                std::vector<uint8_t> reply = line_->answer(line_->written.back());
                if (!reply.empty()) {
                    line_->reports.push_back(std::move(reply));
                    line_->changed.notify_all();
                }
            }
            return HidIo::Done;
        }

        void Abort() override
        {
            std::lock_guard lock(line_->mutex);
            if (line_->waiting > 0) {
                line_->abortPending = true;
                line_->changed.notify_all();
            }
        }

    private:
        Device device_;
        std::shared_ptr<Line> line_;
    };

    void Add(Device device)
    {
        lines[device.info.path] = std::make_shared<Line>();
        devices.push_back(std::move(device));
    }

    bool Enumerate(std::vector<HidInterfaceInfo>& out) override
    {
        out.clear();
        if (enumerateFails)
            return false;
        for (const Device& d : devices)
            out.push_back(d.info);
        return true;
    }

    std::unique_ptr<HidHandle> Open(const std::string& path, const HidOpenMode& mode) override
    {
        lastMode = mode;
        for (const Device& d : devices) {
            if (d.info.path == path && lines[path] && !lines[path]->unplugged)
                return std::make_unique<Handle>(d, lines[path]);
        }
        return nullptr;
    }

    std::string NodeIdentity(const std::string& path) override
    {
        auto it = lines.find(path);
        return it != lines.end() && !it->second->unplugged ? path : std::string();
    }

    std::vector<Device> devices;
    std::map<std::string, std::shared_ptr<Line>> lines;
    bool enumerateFails = false;
    HidOpenMode lastMode;
};
