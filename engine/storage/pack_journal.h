// TdvPackJournal: replaces the files of one table (the table, its memo file, its index files) by new ones as one
// step that a kill cannot tear. The new files are written beside the old ones under names with a token
// ("PEOPLE~1A2B3C4D.DBF" beside "PEOPLE.DBF"); a small journal file beside the table ("PEOPLE.DBF.pack") names
// every pair and says how far the replacement got. Every table opening reads it first (Recover), so a set left
// half-done is finished or rolled back before anyone reads a record.
//
// Journal file, text, one item per line, names relative to the table's folder when they lie in it:
//
//   LINE                       MEANING
//   VELMORA PACK JOURNAL 1     the format
//   STATE WRITING|COMMITTED    WRITING: the new files may be incomplete; COMMITTED: all are complete and durable
//   FILE <new>\t<old>          one pair; the first is the table
//   END                        the journal is whole
//
// The journal only ever changes by writing "<journal>.tmp" in full, flushing it and renaming it over the journal,
// so it is either absent, or whole in one state. The order of a replacement, and what a kill at each point
// leaves:
//   1. Begin: journal WRITING, naming the new files before any exists.   kill -> old files; the new are deleted
//   2. The caller creates, writes and flushes the new files.             kill -> old files; the new are deleted
//   3. Commit: journal COMMITTED (the commit point), folder flushed.     kill -> the new files, renamed by Recover
//   4. Each new file renamed over its old one, the table last.           kill -> the new files, Recover renames the rest
//   5. The journal deleted, folder flushed.                              done
// Recover (at every opening, one existence test when there is no journal) holds the table file open without
// sharing while it works, and the new table file too, so no other opening reads a mixed set; a set whose packer
// is still running keeps its files open without sharing, so Recover waits for it (the engine-wide lock wait) and
// then finds the journal gone. Renames and deletions are repeated safely: a missing file was already handled.
#pragma once

#include <string>
#include <vector>

class TdvPackJournal {
public:
    // A replacement of the files of tableFileName (an existing table); nothing is written yet.
    explicit TdvPackJournal(const std::string& tableFileName);
    // A replacement begun and not committed is abandoned: its new files and its journal are deleted.
    ~TdvPackJournal();
    TdvPackJournal(const TdvPackJournal&) = delete;
    TdvPackJournal& operator=(const TdvPackJournal&) = delete;

    // Adds an existing file to the set and answers the name its new file gets (beside it, the token before the
    // extension). The table is added by the constructor. REQUIRES: before Begin.
    std::string Add(const std::string& fileName);
    // The new table file's name.
    const std::string& NewTableName() const { return entries_.front().fresh; }
    // Writes the journal WRITING. Raises the engine's file errors.
    void Begin();
    // REQUIRES: every new file complete and flushed. Writes the journal COMMITTED, renames every new file over its
    // old one (the table last) and deletes the journal.
    void Commit();
    // Deletes the new files and the journal (nothing of the old set is touched); no error is raised.
    void Abandon() noexcept;

    // The journal file of a table.
    static std::string JournalName(const std::string& tableFileName);
    // Finishes (COMMITTED) or rolls back (WRITING, or a journal that is not whole) a replacement left behind
    // for the table; nothing when there is no journal. Raises the engine's error when a file cannot be renamed
    // or deleted.
    static void Recover(const std::string& tableFileName);

private:
    struct Entry {
        std::string fresh;  // the new file, absolute
        std::string old;    // the file it replaces, absolute, as the disk spells it
    };
    enum class State { None, Writing, Committed };

    void Write(State state);

    std::string folder_;          // the table's folder
    std::string journal_;         // the journal file, absolute
    std::string token_;           // part of every new file's name
    std::vector<Entry> entries_;  // the table first
    State state_ = State::None;   // what the journal on disk says
};
