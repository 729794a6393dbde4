// The operating-system services the engine and the shell rely on, behind one small interface.
//
// Everything the engine needs from the platform passes through here: files with the two sharing modes,
// positioned transfers, byte-range locks that refuse at once, 8-bit text (code pages, case, collation),
// locale settings, local time, the program and configuration folders, INI sections and process launch.
// Results use the engine's error numbering: 0 success, 2 missing file, 3 missing path, 4 too many files,
// 5 access denied, 32 sharing violation, 33 lock violation, 100 read error, 101 write error, 150 read-only
// file system, 183 already exists.
//
// Linux implementation notes:
//  - Sharing modes are emulated with an open-file-description lock on one reserved byte (offset 2^62), far
//    beyond every lock protocol's ranges: a shared open takes a read lock, an open without sharing a write lock.
//    A conflict at open is code 32. Such locks belong to the open file, not the process, and vanish with it.
//  - Byte-range locks are open-file-description locks too (F_OFD_SETLK, never the waiting form), so two opens
//    of one file in one process contend exactly as two handles would, and closing one descriptor never drops
//    another's locks. Every descriptor is opened with O_CLOEXEC so a launched program inherits no lock.
//  - Names: '\' is accepted as a separator; relative names are made absolute against the current directory
//    and normalised lexically (no symlink resolution). Existing files are found case-insensitively, component
//    by component (an exact match first, else the first match in byte order); a created file keeps the case
//    of its last component as given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace os {

enum class Access { ReadOnly, ReadWrite };
enum class Share { Exclusive, Shared };

// One open platform file. Owns its descriptor; closing releases its locks and its sharing claim.
class File {
public:
    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens an existing file. Returns 0 or an error code; on failure the object stays closed.
    int Open(const std::string& path, Access access, Share share);
    // Creates the file anew (an existing one is emptied) and leaves it closed. Returns 0 or an error code.
    static int Create(const std::string& path);

    bool IsOpen() const { return fd_ >= 0; }
    void Close();

    // Reads up to count bytes at offset; *got receives the bytes read (fewer at end of file). Returns 0 or code.
    int ReadAt(uint64_t offset, void* buffer, size_t count, size_t* got) const;
    // Writes count bytes at offset; *put receives the bytes written. Returns 0 or an error code.
    int WriteAt(uint64_t offset, const void* buffer, size_t count, size_t* put) const;
    int Size(uint64_t* size) const;
    int Flush() const;
    int Truncate(uint64_t size) const;

    // Locks length bytes at offset (length > 0); refuses at once with 33 when another open file holds any of
    // them. A read lock on a read-only descriptor, a write lock on a writable one.
    int Lock(uint64_t offset, uint64_t length) const;
    int Unlock(uint64_t offset, uint64_t length) const;

private:
    int fd_ = -1;
    bool writable_ = false;      // opened for writing: WriteAt and Truncate are allowed
    bool lockWritable_ = false;  // the descriptor can hold write (exclusive) locks
};

// --- names and places ---------------------------------------------------------------------------------------

// Makes a name absolute and normalises it lexically ('\' and '/' both separate). Does not touch the disk.
std::string AbsolutePath(std::string_view name);
// Resolves an absolute name against the disk case-insensitively. For a file that does not exist, the folders
// are resolved and the last component is kept as given. Returns 0, or 3 when a folder is missing.
int ResolvePath(const std::string& name, std::string* resolved);
bool FileExists(const std::string& name);
// Renames without ever replacing an existing file (183 when the target exists). Returns 0 or an error code.
int RenameFile(const std::string& from, const std::string& to);
int DeleteFile(const std::string& name);
// Renames from over to in one atomic step, replacing a file that exists there (both in one file system).
// Returns 0 or an error code (2 when from is missing).
int ReplaceFile(const std::string& from, const std::string& to);
// Makes the folder's entries (creations, renames, deletions) durable. Returns 0 or an error code.
int SyncFolder(const std::string& folder);
// Longest name the platform takes; longer names are refused, never cut.
constexpr size_t kMaxPath = 4095;

// Folder of the running program (from /proc/self/exe; VELMORA_PROGRAM_DIR overrides), without a trailing '/'.
std::string ProgramFolder();
// Folder of the engine's configuration file: /etc, or VELMORA_CONFIG_DIR when set.
std::string ConfigFolder();
// The keys and values of one section of an INI file, in file order; empty when the file or section is missing.
std::vector<std::pair<std::string, std::string>> ReadIniSection(const std::string& file, std::string_view section);

// The last error code of the calling thread, as the engine stores and reads it (0 when none).
int LastError();
void SetLastError(int code);

// --- time -----------------------------------------------------------------------------------------------------

struct LocalTime {
    int year, month, day, hour, minute, second, millisecond;
};
LocalTime Now();
void Sleep(int milliseconds);

// --- 8-bit text -------------------------------------------------------------------------------------------------
// ANSI text is code page 1252; OEM text is code page 437, or 850 when VELMORA_OEM_CODEPAGE=850. Conversions keep
// the length and map characters the target lacks to a best-fit neighbour.

void OemToAnsi(const char* source, char* destination, size_t count);
void AnsiToOem(const char* source, char* destination, size_t count);
std::string OemToAnsi(std::string_view text);
std::string AnsiToOem(std::string_view text);
// Locale upper and lower case of ANSI text (letters with accents included; ß and µ unchanged).
void UpperCase(char* text, size_t count);
void LowerCase(char* text, size_t count);
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
char UpperChar(char c);
// Locale collation of ANSI text: letters before accents before case. Returns -1, 0 or 1.
int CompareText(std::string_view a, std::string_view b, bool ignoreCase);
// Lossless decoding of an 8-bit code page (437, 850, 1252) to UTF-8, and encoding back (unmappable -> '?').
std::string ToUtf8(std::string_view text, int codePage);
std::string FromUtf8(std::string_view text, int codePage);
// The OEM code page in use (437 or 850).
int OemCodePage();

// --- locale settings ------------------------------------------------------------------------------------------

struct LocaleSettings {
    std::string shortDateFormat = "M/d/yyyy";
    char dateSeparator = '/';
    char decimalSeparator = '.';
    int centuryPivot = 1950;  // two-digit years map into [pivot, pivot + 99]
    int oemCodePage = 437;
};
// Defaults, overridden by VELMORA_SHORT_DATE, VELMORA_DATE_SEPARATOR, VELMORA_DECIMAL_SEPARATOR,
// VELMORA_CENTURY_PIVOT and VELMORA_OEM_CODEPAGE, read once.
const LocaleSettings& Locale();
// Replaces the settings for the rest of the process (tests, or a user's own choice).
void SetLocale(const LocaleSettings& settings);

// --- processes ------------------------------------------------------------------------------------------------

// Starts a program from a command line without waiting. Returns a value above 31 on success, else an error code.
int Execute(const std::string& commandLine, int showWindow);

}  // namespace os
