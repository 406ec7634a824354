#include "platform/AbsolutePath.h"

#include <cerrno>
#include <unistd.h>
#include <vector>

std::string AbsolutePath(const std::string& path)
{
    if (path.empty() || path[0] == '/')
        return path;
    std::vector<char> buffer(4096);
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE || buffer.size() > (1u << 20))
            return path;
        buffer.resize(buffer.size() * 2);
    }
    std::string folder = buffer.data();
    if (folder.empty() || folder[0] != '/')
        return path; // "(unreachable)" and the like
    if (folder.back() != '/')
        folder += '/';
    return folder + (path.rfind("./", 0) == 0 ? path.substr(2) : path);
}
