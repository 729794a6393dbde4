#include "engine/storage/pack_journal.h"

#include <random>
#include <sstream>

#include "engine/storage/errors.h"
#include "engine/storage/lock_layout.h"
#include "engine/storage/os_services.h"

namespace {

constexpr const char* kMagic = "VELMORA PACK JOURNAL 1";
constexpr size_t kMaxJournal = 1 << 20;  // far more than 64 index files' names; a larger file is no journal

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
}

// The name as the disk spells it (absolute); a missing folder leaves it absolute as given.
std::string OnDisk(const std::string& name) {
    const std::string absolute = os::AbsolutePath(name);
    std::string resolved;
    return os::ResolvePath(absolute, &resolved) == 0 ? resolved : absolute;
}

std::string Relative(const std::string& path, const std::string& folder) {
    const std::string prefix = folder == "/" ? "/" : folder + "/";
    return path.compare(0, prefix.size(), prefix) == 0 && path.find('/', prefix.size()) == std::string::npos
               ? path.substr(prefix.size())
               : path;
}

std::string InFolder(const std::string& name, const std::string& folder) {
    return !name.empty() && name[0] == '/' ? name : (folder == "/" ? "/" : folder + "/") + name;
}

[[noreturn]] void Fail(int code, int32_t subCode, const std::string& name) { ReportError(code, subCode, name); }

void SyncFolderOf(const std::string& path) {
    if (int rc = os::SyncFolder(FolderOf(path))) Fail(rc, subcode::kFlush, FolderOf(path));
}

// Writes text as the whole of a new file and flushes it.
void WriteWhole(const std::string& path, const std::string& text) {
    if (int rc = os::File::Create(path)) Fail(rc, subcode::kCreate, path);
    os::File file;
    if (int rc = file.Open(path, os::Access::ReadWrite, os::Share::Exclusive)) Fail(rc, subcode::kOpen, path);
    size_t put = 0;
    if (int rc = file.WriteAt(0, text.data(), text.size(), &put)) Fail(rc, subcode::kWrite, path);
    if (int rc = file.Flush()) Fail(rc, subcode::kFlush, path);
}

// The whole file, or false when it cannot be read or is too large to be a journal.
bool ReadWhole(const std::string& path, std::string& text) {
    os::File file;
    if (file.Open(path, os::Access::ReadOnly, os::Share::Shared) != 0) return false;
    uint64_t size = 0;
    if (file.Size(&size) != 0 || size > kMaxJournal) return false;
    text.assign(static_cast<size_t>(size), '\0');
    size_t got = 0;
    return file.ReadAt(0, text.data(), text.size(), &got) == 0 && got == text.size();
}

void DeleteIfThere(const std::string& path) {
    const int rc = os::DeleteFile(path);
    if (rc != 0 && rc != errcode::kFileNotFound && rc != errcode::kPathNotFound) Fail(rc, subcode::kRename, path);
}

std::string NewToken() {
    std::random_device random;
    std::mt19937_64 mix((uint64_t{random()} << 32) ^ random() ^ static_cast<uint64_t>(os::Now().millisecond));
    static const char kHex[] = "0123456789ABCDEF";
    std::string token;
    uint64_t bits = mix();
    for (int i = 0; i < 8; ++i, bits >>= 4) token += kHex[bits & 15];
    return token;
}

}  // namespace

std::string TdvPackJournal::JournalName(const std::string& tableFileName) {
    const std::string name = os::AbsolutePath(tableFileName);
    const size_t start = name.rfind('/') + 1;
    const bool lower = name.find_first_of("abcdefghijklmnopqrstuvwxyz", start) != std::string::npos;
    return name + (lower ? ".pack" : ".PACK");
}

TdvPackJournal::TdvPackJournal(const std::string& tableFileName)
    : journal_(JournalName(OnDisk(tableFileName))), token_(NewToken()) {
    folder_ = FolderOf(journal_);
    Add(tableFileName);
}

TdvPackJournal::~TdvPackJournal() {
    if (state_ == State::Writing) Abandon();
}

std::string TdvPackJournal::Add(const std::string& fileName) {
    Entry entry;
    entry.old = OnDisk(fileName);
    const size_t start = entry.old.rfind('/') + 1;
    const size_t dot = entry.old.rfind('.');
    const size_t stem = dot == std::string::npos || dot < start ? entry.old.size() : dot;
    entry.fresh = entry.old.substr(0, stem) + "~" + token_ + entry.old.substr(stem);
    entries_.push_back(entry);
    return entry.fresh;
}

void TdvPackJournal::Write(State state) {
    std::ostringstream text;
    text << kMagic << "\n" << "STATE " << (state == State::Committed ? "COMMITTED" : "WRITING") << "\n";
    for (const Entry& e : entries_) text << "FILE " << Relative(e.fresh, folder_) << "\t" << Relative(e.old, folder_) << "\n";
    text << "END\n";
    const std::string tmp = journal_ + ".tmp";
    WriteWhole(tmp, text.str());
    if (int rc = os::ReplaceFile(tmp, journal_)) Fail(rc, subcode::kRename, journal_);
    SyncFolderOf(journal_);
    state_ = state;
}

void TdvPackJournal::Begin() {
    // Leftovers of a replacement that was never begun (a kill while its journal was being written).
    for (const Entry& e : entries_) DeleteIfThere(e.fresh);
    Write(State::Writing);
}

void TdvPackJournal::Commit() {
    for (const Entry& e : entries_) SyncFolderOf(e.fresh);
    Write(State::Committed);
    // The commit point is behind us: from here on the new set is the table, whatever happens.
    for (size_t i = 0; i < entries_.size(); ++i) {
        const Entry& e = entries_[(i + 1) % entries_.size()];  // every other file first, the table last
        const int rc = os::ReplaceFile(e.fresh, e.old);
        if (rc != 0 && rc != errcode::kFileNotFound) Fail(rc, subcode::kRename, e.old);
    }
    for (const Entry& e : entries_) SyncFolderOf(e.old);
    DeleteIfThere(journal_);
    SyncFolderOf(journal_);
    state_ = State::None;
}

void TdvPackJournal::Abandon() noexcept {
    try {
        for (const Entry& e : entries_) DeleteIfThere(e.fresh);
        DeleteIfThere(journal_);
        DeleteIfThere(journal_ + ".tmp");
    } catch (const std::exception&) {
        // What cannot be deleted stays as unused files; the journal, if it stays, still says WRITING.
    }
    state_ = State::None;
}

void TdvPackJournal::Recover(const std::string& tableFileName) {
    const std::string table = OnDisk(tableFileName);
    const std::string journal = JournalName(table);
    if (!os::FileExists(journal)) return;
    // Nobody else may have the table open while its set is put right: a packer still at work keeps it open
    // without sharing until its journal is gone.
    os::File guard;
    int rc = 0;
    RetryLock([&] {
        rc = guard.Open(table, os::Access::ReadWrite, os::Share::Exclusive);
        return rc != errcode::kSharingViolation;
    });
    if (rc == errcode::kSharingViolation) return;  // the table is in use; its opening reports that
    std::string text;
    if (!ReadWhole(journal, text)) return;  // finished by the one that held the table
    const std::string folder = FolderOf(journal);

    std::istringstream in(text);
    std::string line;
    bool whole = false, committed = false;
    std::vector<Entry> entries;
    bool first = true;
    while (std::getline(in, line)) {
        if (first) {
            if (line != kMagic) break;
            first = false;
        } else if (line == "STATE COMMITTED") {
            committed = true;
        } else if (line.rfind("FILE ", 0) == 0) {
            const size_t tab = line.find('\t');
            if (tab == std::string::npos) break;
            entries.push_back({InFolder(line.substr(5, tab - 5), folder), InFolder(line.substr(tab + 1), folder)});
        } else if (line == "END") {
            whole = true;
            break;
        }
    }
    // The new table stays held as well, so that after its rename no other opening reads it before the rest.
    os::File freshGuard;
    if (whole && committed && !entries.empty()) {
        freshGuard.Open(entries.front().fresh, os::Access::ReadWrite, os::Share::Exclusive);
        for (size_t i = 0; i < entries.size(); ++i) {
            const Entry& e = entries[(i + 1) % entries.size()];  // the table last, as Commit does
            rc = os::ReplaceFile(e.fresh, e.old);
            if (rc != 0 && rc != errcode::kFileNotFound) Fail(rc, subcode::kRename, e.old);
        }
        for (const Entry& e : entries) SyncFolderOf(e.old);
    } else {
        // Not committed: the old files are whole; what was written of the new ones goes.
        for (const Entry& e : entries) DeleteIfThere(e.fresh);
    }
    DeleteIfThere(journal + ".tmp");
    DeleteIfThere(journal);
    SyncFolderOf(journal);
}
