#include "engine/cursor/index_formats.h"

#include <map>

#include "engine/index/ndx_file.h"
#include "engine/storage/os_services.h"

namespace {

std::unique_ptr<DVobjIndexFile> OpenNdx(TdvIndexOwner* owner, bool readOnly, bool shared,
                                        const std::string& fileName) {
    return std::make_unique<DVobjNDXFile>(owner, false, false, readOnly, shared, fileName);
}

std::map<std::string, TdvIndexOpener>& Openers() {
    static std::map<std::string, TdvIndexOpener> openers{{".NDX", &OpenNdx}};
    return openers;
}

}  // namespace

void TdvIndexFormats::Register(std::string_view extension, TdvIndexOpener opener) {
    const std::string key = os::UpperCase(extension);
    if (opener) Openers()[key] = opener;
    else Openers().erase(key);
}

TdvIndexOpener TdvIndexFormats::Find(std::string_view extension) {
    const auto it = Openers().find(os::UpperCase(extension));
    return it == Openers().end() ? nullptr : it->second;
}
