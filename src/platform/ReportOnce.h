#pragma once

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <utility>

// What reports told once each share: which keys were told, and who hears
// them (a window, a test; an empty handler means standard error).
template <typename Handler>
class ReportOnce {
public:
    // True, with the handler to tell, for the first report of key; false
    // when key was told already.
    bool First(const std::string& key, Handler& handler)
    {
        std::lock_guard lock(mutex_);
        if (!told_.insert(key).second)
            return false;
        handler = handler_;
        return true;
    }
    // Key may be told again.
    void Forget(const std::string& key)
    {
        std::lock_guard lock(mutex_);
        told_.erase(key);
    }
    // Installs a handler, forgets what was told, returns the previous one.
    Handler Install(Handler handler)
    {
        std::lock_guard lock(mutex_);
        told_.clear();
        return std::exchange(handler_, std::move(handler));
    }

private:
    std::mutex mutex_;
    std::set<std::string> told_;
    Handler handler_;
};

// "<program>: <text>" on standard error, where nobody else hears it.
inline void TellOnStandardError(const std::string& text)
{
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, text.c_str());
}
