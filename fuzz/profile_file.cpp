// Profile file bytes: header checks, the bounded load, and a save of what was
// loaded. A saved document must load back to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "config/ConfigDocument.h"
#include "config/ProfileFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool initialised = [] {
        InitDocument();
        return true;
    }();
    (void)initialised;

    std::span<const uint8_t> bytes(data, size);
    (void)CheckProfileHeader(bytes);

    DocumentLock lock;
    LoadDocumentFromBytes(bytes);
    if (!g_configDoc.block)
        std::abort();
    std::vector<uint8_t> saved = BuildProfileFileBytes();
    if (saved.empty())
        return 0;
    if (CheckProfileHeader(saved) != ProfileFault::None)
        std::abort();
    if (LoadDocumentFromBytes(saved) != 1)
        std::abort();
    if (BuildProfileFileBytes() != saved)
        std::abort();
    return 0;
}
