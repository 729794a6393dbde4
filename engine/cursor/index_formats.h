// TdvIndexFormats: which index format opens a file, chosen by the file's extension. The handler asks the
// registry and never names a format itself, so a new format plugs in by registering its opener.
#pragma once

#include <memory>
#include <string>
#include <string_view>

class DVobjIndexFile;
class TdvIndexOwner;

// Opens an existing index file for owner (never creating or overwriting it); the object reports whether it
// opened (Opened, Failed).
using TdvIndexOpener = std::unique_ptr<DVobjIndexFile> (*)(TdvIndexOwner* owner, bool readOnly, bool shared,
                                                          const std::string& fileName);

class TdvIndexFormats {
public:
    // Makes opener the format of the extension (with its dot, case ignored); nullptr removes it.
    static void Register(std::string_view extension, TdvIndexOpener opener);
    // The opener of the extension, nullptr when no format has it. ".NDX" is registered from the start.
    static TdvIndexOpener Find(std::string_view extension);
};
