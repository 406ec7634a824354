#pragma once

#include <string>
#include <string_view>

// Who holds a whole-file lock (flock) that this process is waiting for, as
// the kernel lists it in /proc/locks, so that a waiter can name the program.
struct LockHolder {
    int pid = 0;      // 0 when the kernel does not say
    std::string name; // the program's name (/proc/PID/comm); empty when unknown
};

// The holder of a flock on the file that fd is open on.
LockHolder FlockHolderOf(int fd);

// The pid of the first granted FLOCK line on the file with this device
// (major, minor of the file system) and inode in the text of /proc/locks; 0
// when there is none. Waiters ("->" lines) never count as holders.
int FlockHolderInLocks(std::string_view locks, unsigned major, unsigned minor, unsigned long inode);

// The short name of a running process; empty when it is gone or hidden.
std::string ProcessName(int pid);
