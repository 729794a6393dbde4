#include "engine/cursor/index_formats.h"

#include <map>

#include "engine/index/ndx_file.h"
#include "engine/index/ntx_file.h"
#include "engine/storage/os_services.h"

namespace {

struct Format {
    TdvIndexOpener opener = nullptr;
    TdvIndexCreator creator = nullptr;
    TdvIndexCapabilities capabilities;
};

std::unique_ptr<DVobjIndexFile> OpenNdx(TdvIndexOwner* owner, bool readOnly, bool shared,
                                        const std::string& fileName) {
    return std::make_unique<DVobjNDXFile>(owner, false, false, readOnly, shared, fileName);
}

std::unique_ptr<DVobjIndexFile> CreateNdx(TdvIndexOwner* owner, bool shared, const std::string& fileName) {
    return std::make_unique<DVobjNDXFile>(owner, true, true, false, shared, fileName);
}

// An NDX file holds one tag; its header keeps a unique flag, but no descending order and no FOR condition.
TdvIndexCapabilities NdxCapabilities() {
    TdvIndexCapabilities can;
    can.unique = true;
    return can;
}

// An NTX file holds one tag and keeps unique, descending and FOR in its header.
TdvIndexCapabilities NtxCapabilities() {
    TdvIndexCapabilities can;
    can.unique = can.descending = can.forCondition = true;
    return can;
}

std::unique_ptr<DVobjIndexFile> OpenNtx(TdvIndexOwner* owner, bool readOnly, bool shared,
                                        const std::string& fileName) {
    return std::make_unique<DVobjNTXFile>(owner, false, false, readOnly, shared, fileName);
}

std::unique_ptr<DVobjIndexFile> CreateNtx(TdvIndexOwner* owner, bool shared, const std::string& fileName) {
    return std::make_unique<DVobjNTXFile>(owner, true, true, false, shared, fileName);
}

std::map<std::string, Format>& Formats() {
    static std::map<std::string, Format> formats{{".NDX", Format{&OpenNdx, &CreateNdx, NdxCapabilities()}},
                                                 {".NTX", Format{&OpenNtx, &CreateNtx, NtxCapabilities()}}};
    return formats;
}

const Format* Lookup(std::string_view extension) {
    const auto it = Formats().find(os::UpperCase(extension));
    return it == Formats().end() ? nullptr : &it->second;
}

}  // namespace

void TdvIndexFormats::Register(std::string_view extension, TdvIndexOpener opener, TdvIndexCreator creator,
                               TdvIndexCapabilities capabilities) {
    const std::string key = os::UpperCase(extension);
    if (opener || creator) Formats()[key] = Format{opener, creator, capabilities};
    else Formats().erase(key);
}

TdvIndexOpener TdvIndexFormats::Find(std::string_view extension) {
    const Format* f = Lookup(extension);
    return f ? f->opener : nullptr;
}

TdvIndexCreator TdvIndexFormats::FindCreator(std::string_view extension) {
    const Format* f = Lookup(extension);
    return f ? f->creator : nullptr;
}

TdvIndexCapabilities TdvIndexFormats::Capabilities(std::string_view extension) {
    const Format* f = Lookup(extension);
    return f ? f->capabilities : TdvIndexCapabilities{};
}

std::vector<std::string> TdvIndexFormats::BuildableExtensions() {
    std::vector<std::string> out;
    for (const auto& [extension, format] : Formats())
        if (format.creator) out.push_back(extension);
    return out;
}

std::string TdvIndexFormats::DefaultExtension() { return ".NDX"; }
