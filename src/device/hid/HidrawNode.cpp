#include "device/hid/HidrawNode.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

std::string NodeName(const std::string& node)
{
    const size_t slash = node.find_last_of('/');
    return slash == std::string::npos ? node : node.substr(slash + 1);
}

// The HID device the node belongs to, as its canonical sysfs path; empty when
// sysfs does not know the node (it may have just left).
std::string SysfsDevice(const std::string& node, const std::string& sysClassHidraw)
{
    const std::string name = NodeName(node);
    if (name.empty() || name == "." || name == "..")
        return {};
    std::error_code ec;
    const std::filesystem::path device =
        std::filesystem::canonical(std::filesystem::path(sysClassHidraw) / name / "device", ec);
    return ec ? std::string() : device.string();
}

// Without sysfs (some containers pass /dev/hidraw* in alone) the node file's
// own numbers still tell a recreated node apart.
std::string Compose(const struct stat& st, const std::string& sysfsDevice)
{
    if (!S_ISCHR(st.st_mode))
        return {};
    std::string identity = std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev)) + " inode " +
                           std::to_string(static_cast<unsigned long long>(st.st_ino));
    if (!sysfsDevice.empty())
        identity += " " + sysfsDevice;
    return identity;
}

} // namespace

std::string HidrawIdentityOfPath(const std::string& node, const std::string& sysClassHidraw)
{
    struct stat st {};
    if (::stat(node.c_str(), &st) != 0)
        return {};
    return Compose(st, SysfsDevice(node, sysClassHidraw));
}

std::string HidrawIdentityOfFd(int fd, const std::string& node, const std::string& sysClassHidraw)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return {};
    return Compose(st, SysfsDevice(node, sysClassHidraw));
}

HidIo HidrawErrorOutcome(int error)
{
    switch (error) {
    case ENODEV:
    case ENXIO:
    case EIO:
    case ESHUTDOWN:
        return HidIo::Gone;
    default:
        return HidIo::Failed;
    }
}
