// TdvIndexFormats: which index format opens or builds a file, chosen by the file's extension. The handler and the
// tools ask the registry and never name a format themselves, so a new format plugs in by registering itself.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class DVobjIndexFile;
class TdvIndexOwner;

// Opens an existing index file for owner (never creating or overwriting it); the object reports whether it
// opened (Opened, Failed).
using TdvIndexOpener = std::unique_ptr<DVobjIndexFile> (*)(TdvIndexOwner* owner, bool readOnly, bool shared,
                                                          const std::string& fileName);
// Creates an index file for owner, replacing one that exists; it holds no tag until CreateTag.
using TdvIndexCreator = std::unique_ptr<DVobjIndexFile> (*)(TdvIndexOwner* owner, bool shared,
                                                           const std::string& fileName);

// What a format's tags can keep beyond a key expression; a format registered without saying keeps none of it.
struct TdvIndexCapabilities {
    bool multipleTags = false;  // a file holds several named tags; else its one tag is named after the file
    bool unique = false;        // a tag can keep one entry per key
    bool descending = false;    // a tag can order its keys from high to low
    bool forCondition = false;  // a tag can keep only the records a FOR condition admits
};

class TdvIndexFormats {
public:
    // Makes opener and creator the format of the extension (with its dot, case ignored); both nullptr remove it.
    // A format without a creator can be read but not built.
    static void Register(std::string_view extension, TdvIndexOpener opener, TdvIndexCreator creator = nullptr,
                         TdvIndexCapabilities capabilities = {});
    // What the format of the extension can keep; none of it for an extension no format has.
    static TdvIndexCapabilities Capabilities(std::string_view extension);
    // The opener of the extension, nullptr when no format has it. ".NDX" and ".NTX" are registered from the
    // start.
    static TdvIndexOpener Find(std::string_view extension);
    // The creator of the extension, nullptr when no format builds such files.
    static TdvIndexCreator FindCreator(std::string_view extension);
    // The extensions (upper case, with the dot) of the formats that build files, in name order.
    static std::vector<std::string> BuildableExtensions();
    // The extension an index file named without one gets.
    static std::string DefaultExtension();
};
