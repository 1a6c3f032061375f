// libFuzzer target: any bytes given to the settings-file parser must parse without a crash,
// and every listed section and key must be found again by lookup.
#include "core/ProfileParser.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const profile::Document doc = profile::parse(bytes);
    for (const profile::Section& section : doc.sections) {
        if (doc.find(section.name) != &section) {
            std::abort();
        }
        for (const profile::Entry& entry : section.entries) {
            const auto value = profile::value(doc, section.name, entry.key);
            if (value != entry.value || (value && value->size() > profile::kMaxValueBytes)) {
                std::abort();
            }
        }
    }
    return 0;
}
