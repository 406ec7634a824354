#include "macro/MacroMemoryUse.h"

uint32_t MacroMemoryUse::ImageBytes() const
{
    switch (fit) {
    case MacroFit::WithNames: return sizes.withNames;
    case MacroFit::WithoutNames: return sizes.withoutNames;
    case MacroFit::TooLarge: break;
    }
    return 0;
}

MacroMemoryUse ChooseMacroImage(const MacroImageSizes& sizes, uint32_t capacity)
{
    MacroMemoryUse use;
    use.sizes = sizes;
    use.capacity = capacity;
    if (sizes.withNames <= capacity && sizes.withNames <= MaxMacroImageLength)
        use.fit = MacroFit::WithNames;
    else if (sizes.withoutNames <= capacity && sizes.withoutNames <= MaxMacroImageLength)
        use.fit = MacroFit::WithoutNames;
    else
        use.fit = MacroFit::TooLarge;
    return use;
}

MacroMemoryUse MeasureMacroMemory(std::span<const ConstMacroBlock> macros, uint32_t capacity)
{
    return ChooseMacroImage(ComputeMacroImageSize(macros), capacity);
}

MacroMemoryUse MeasureMacroMemory(MacroList& list, uint32_t capacity)
{
    StoreSelectedEvents(list);
    std::vector<ConstMacroBlock> views;
    views.reserve(list.macros.size());
    for (const MacroCopy& copy : list.macros)
        views.push_back(copy.View());
    return MeasureMacroMemory(views, capacity);
}

std::vector<std::u16string> NamesLostWithoutImage(std::span<const ConstMacroBlock> macros,
                                                  std::string_view namePrefix)
{
    const std::u16string prefix = Utf8ToUtf16(namePrefix);
    std::vector<std::u16string> names;
    bool lost = false;
    for (size_t k = 0; k < macros.size(); ++k) {
        names.push_back(macros[k].Name16());
        lost = lost || names.back() != prefix + Utf8ToUtf16(std::to_string(k + 1));
    }
    if (!lost)
        names.clear();
    return names;
}
