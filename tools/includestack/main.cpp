// Checks that the source folders form a one-way stack and that no files
// include each other, directly or around a circle.
//
//   rt604includestack <src folder> <folder>...
//
// The folders are named from the bottom of the stack up; a file may include
// files of its own folder and of folders named before it. Every folder that
// holds sources must be named. Prints each include that breaks the stack and
// each circle of files, and exits with 1 if there is any.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Source {
    std::string folder; // relative to the source root, "device/hid"
    std::string unit;   // the file without its extension: a header and its .cpp are one unit
    std::vector<std::string> includes;
};

bool IsSource(const fs::path& path)
{
    const std::string ext = path.extension().string();
    return ext == ".h" || ext == ".cpp";
}

std::map<std::string, Source> ReadSources(const fs::path& root)
{
    static const std::regex include(R"re(^\s*#\s*include\s*"([^"]+)")re");
    std::map<std::string, Source> sources;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file() || !IsSource(entry.path()))
            continue;
        const fs::path relative = entry.path().lexically_relative(root);
        Source source;
        source.folder = relative.parent_path().generic_string();
        source.unit = (relative.parent_path() / relative.stem()).generic_string();
        std::ifstream in(entry.path());
        std::string line;
        std::smatch match;
        while (std::getline(in, line))
            if (std::regex_search(line, match, include))
                source.includes.push_back(match[1]);
        sources.emplace(relative.generic_string(), std::move(source));
    }
    return sources;
}

// Tarjan's strongly connected components; returns those of more than one unit.
std::vector<std::vector<std::string>> Circles(const std::map<std::string, std::set<std::string>>& graph)
{
    std::map<std::string, int> index, low;
    std::vector<std::string> stack;
    std::set<std::string> onStack;
    std::vector<std::vector<std::string>> circles;
    int next = 0;
    std::function<void(const std::string&)> visit = [&](const std::string& unit) {
        index[unit] = low[unit] = next++;
        stack.push_back(unit);
        onStack.insert(unit);
        if (auto found = graph.find(unit); found != graph.end()) {
            for (const std::string& to : found->second) {
                if (!index.count(to)) {
                    visit(to);
                    low[unit] = std::min(low[unit], low[to]);
                } else if (onStack.count(to)) {
                    low[unit] = std::min(low[unit], index[to]);
                }
            }
        }
        if (low[unit] != index[unit])
            return;
        std::vector<std::string> circle;
        std::string member;
        do {
            member = stack.back();
            stack.pop_back();
            onStack.erase(member);
            circle.push_back(member);
        } while (member != unit);
        if (circle.size() > 1) {
            std::sort(circle.begin(), circle.end());
            circles.push_back(circle);
        }
    };
    for (const auto& [unit, to] : graph)
        if (!index.count(unit))
            visit(unit);
    return circles;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::cerr << "usage: rt604includestack <src folder> <folder>...\n";
        return 2;
    }
    const fs::path root = argv[1];
    std::map<std::string, int> level;
    for (int n = 2; n < argc; ++n)
        level.emplace(argv[n], n);
    std::map<std::string, Source> sources;
    try {
        sources = ReadSources(root);
    } catch (const fs::filesystem_error& error) {
        std::cerr << error.what() << "\n";
        return 2;
    }
    int faults = 0;
    std::set<std::string> unnamed;
    std::map<std::string, std::set<std::string>> graph;
    for (const auto& [path, source] : sources) {
        if (!level.count(source.folder) && unnamed.insert(source.folder).second) {
            std::cout << "folder " << source.folder << " is not in the stack\n";
            ++faults;
        }
        graph[source.unit];
        for (const std::string& included : source.includes) {
            auto target = sources.find(included);
            if (target == sources.end())
                continue; // a system or library header
            const Source& to = target->second;
            if (to.unit != source.unit)
                graph[source.unit].insert(to.unit);
            if (to.folder == source.folder || !level.count(source.folder) || !level.count(to.folder))
                continue;
            if (level[to.folder] > level[source.folder]) {
                std::cout << path << " includes " << included << ": " << to.folder << " stands above "
                          << source.folder << "\n";
                ++faults;
            }
        }
    }
    for (const auto& circle : Circles(graph)) {
        std::cout << "files include each other:";
        for (const std::string& unit : circle)
            std::cout << " " << unit;
        std::cout << "\n";
        ++faults;
    }
    if (faults)
        std::cout << faults << " breaks of the stack\n";
    return faults ? 1 : 0;
}
