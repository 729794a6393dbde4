// The handler's cursor: visibility in every direction, skipping, key seeks, locate by tag and by scan, index
// lists, order and ranges, and the filter.
#include "engine/cursor/db_handler.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/cursor/index_list.h"
#include "engine/index/index_file.h"
#include "engine/index/index_tag.h"
#include "engine/index/ndx_file.h"
#include "engine/storage/dbf_create.h"
#include "engine/storage/errors.h"
#include "engine/storage/huge_set.h"
#include "framework/base/variant.h"
#include "handler_fixture.h"
#include "raised.h"
#include "temp_dir.h"

namespace {

// Ten people; their last names sort in the reverse of record order except for the pairs noted.
std::vector<PersonRow> People() {
    return {{"JONES", "ANN", "LEEDS", 1},     {"IVES", "BOB", "YORK", 2},     {"HOLT", "CAROL", "BATH", 3},
            {"GRAY", "DAN", "LEEDS", 4},      {"FOX", "EVE", "YORK", 5},      {"EVANS", "FRED", "BATH", 6},
            {"DAVIS", "GWEN", "LEEDS", 7},    {"COLE", "HANK", "YORK", 8},    {"BROWN", "JOHNNY", "BATH", 9},
            {"BROWN", "JOHN", "YORK", 10}};
}

class HandlerTest : public ::testing::Test {
protected:
    void Open(std::vector<PersonRow> rows = People()) {
        path_ = dir_.File("PEOPLE.DBF");
        MakePeopleTable(path_, rows);
        table_ = OpenPeople(path_);
    }
    // Record numbers reached by first, then next until end-of-table.
    std::vector<int32_t> WalkForward() {
        std::vector<int32_t> seen;
        for (table_->GetRecord(recreq::kFirst); !table_->Eof(); table_->GetRecord(recreq::kNext)) {
            seen.push_back(table_->CurrentRecord());
            if (seen.size() > 100) break;
        }
        return seen;
    }
    std::vector<int32_t> WalkBackward() {
        std::vector<int32_t> seen;
        for (table_->GetRecord(recreq::kLast); !table_->Bof(); table_->GetRecord(recreq::kPrior)) {
            seen.push_back(table_->CurrentRecord());
            if (seen.size() > 100) break;
        }
        return seen;
    }

    TempDir dir_;
    std::string path_;
    std::unique_ptr<DVO_dBHandler> table_;
};

TEST_F(HandlerTest, DeletedRecordsAreHiddenInEveryDirection) {
    auto rows = People();
    rows[0].deleted = rows[1].deleted = rows[9].deleted = rows[4].deleted = true;
    Open(rows);
    table_->useDeleted = false;
    table_->GetRecord(recreq::kFirst);
    EXPECT_EQ(table_->CurrentRecord(), 3);
    table_->GetRecord(recreq::kPrior);
    EXPECT_TRUE(table_->Bof());
    EXPECT_EQ(WalkForward(), (std::vector<int32_t>{3, 4, 6, 7, 8, 9}));
    EXPECT_EQ(WalkBackward(), (std::vector<int32_t>{9, 8, 7, 6, 4, 3}));

    // The same through an index order (LAST ascending: 9/10 BROWN, 8 COLE, ... 1 JONES).
    MakeNdx(*table_, dir_.File("LAST.NDX"), "LAST");
    ASSERT_EQ(table_->OpenIndexList("LAST.NDX", "LAST"), 0);
    EXPECT_EQ(WalkForward(), (std::vector<int32_t>{9, 8, 7, 6, 4, 3}));
    EXPECT_EQ(WalkBackward(), (std::vector<int32_t>{3, 4, 6, 7, 8, 9}));
    table_->useDeleted = true;
    EXPECT_EQ(WalkForward().size(), 10u);
}

TEST_F(HandlerTest, EveryRecordDeletedEndsAtEndOfTable) {
    auto rows = People();
    for (auto& r : rows) r.deleted = true;
    Open(rows);
    table_->useDeleted = false;
    table_->GetRecord(recreq::kFirst);
    EXPECT_TRUE(table_->Eof());
    table_->GetRecord(recreq::kLast);
    EXPECT_TRUE(table_->Bof());
}

TEST_F(HandlerTest, HiddenRecordReachedByNumberThenRereadMovesOn) {
    auto rows = People();
    rows[4].deleted = true;
    Open(rows);
    table_->useDeleted = false;
    table_->GetRecord(5);
    EXPECT_EQ(table_->CurrentRecord(), 5);
    EXPECT_FALSE(table_->Eof());
    table_->GetRecord(recreq::kReread);
    EXPECT_EQ(table_->CurrentRecord(), 6);

    // Outside the filter: reached by number it is flagged out of view; a re-read moves on.
    table_->useDeleted = true;
    table_->SetFilterActive(true);
    table_->SetFilter("CODE > 7", false, false);
    table_->GetRecord(3);
    EXPECT_EQ(table_->CurrentRecord(), 3);
    EXPECT_TRUE(table_->OutOfView());
    table_->GetRecord(recreq::kReread);
    EXPECT_EQ(table_->CurrentRecord(), 8);
    EXPECT_FALSE(table_->OutOfView());
}

TEST_F(HandlerTest, RecordOnePastTheLastIsBlankWithEndOfTable) {
    Open();
    table_->GetRecord(11);
    EXPECT_TRUE(table_->Eof());
    EXPECT_EQ(Last(*table_), "");
}

TEST_F(HandlerTest, FilterThatNothingPassesSetsBothFlagsOnEveryMove) {
    Open();
    table_->SetFilterActive(true);
    table_->SetFilter("CODE > 100", false, false);
    ASSERT_TRUE(table_->FilterActive());
    for (int32_t request : {recreq::kFirst, recreq::kLast, recreq::kNext, recreq::kPrior, recreq::kReread}) {
        table_->GetRecord(request);
        EXPECT_TRUE(table_->Eof() && table_->Bof()) << "request " << request;
    }
    // Also when the set once held a bit that a write cleared again.
    table_->SetFilter("CODE > 9", false, false);
    table_->GetRecord(10);
    table_->NumberPutN("CODE", 1);
    table_->PutRecord(10);
    table_->GetRecord(recreq::kFirst);
    EXPECT_TRUE(table_->Eof() && table_->Bof());
    table_->GetRecord(recreq::kLast);
    EXPECT_TRUE(table_->Eof() && table_->Bof());
}

TEST_F(HandlerTest, FilterFollowsPhysicalAndIndexOrder) {
    Open();
    table_->SetFilterActive(true);
    table_->SetFilter("CITY = 'YORK'", false, false);
    EXPECT_EQ(WalkForward(), (std::vector<int32_t>{2, 5, 8, 10}));
    EXPECT_EQ(WalkBackward(), (std::vector<int32_t>{10, 8, 5, 2}));
    MakeNdx(*table_, dir_.File("LAST.NDX"), "LAST");
    ASSERT_EQ(table_->OpenIndexList("LAST.NDX", "LAST"), 0);
    EXPECT_EQ(WalkForward(), (std::vector<int32_t>{10, 8, 5, 2}));
    // A write keeps the set in step, active or not.
    table_->SetFilterActive(false);
    table_->GetRecord(1);
    table_->FieldPutN("CITY", "YORK");
    table_->PutRecord(1);
    table_->SetFilterActive(true);
    EXPECT_EQ(WalkForward(), (std::vector<int32_t>{10, 8, 5, 2, 1}));
}

TEST_F(HandlerTest, FilterTextMustBeLogicalAndIsCompiledAgainAfterAFailure) {
    Open();
    table_->SetFilterActive(true);
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            table_->SetFilter("LAST", false, false);
            ADD_FAILURE() << "a text filter was accepted";
        } catch (const EOrdaneError& e) {
            EXPECT_EQ(e.Code(), resmsg::kFilterNotLogical);
        }
        EXPECT_FALSE(table_->FilterActive());
        EXPECT_EQ(table_->FilterText(), "");
    }
    table_->SetFilterActive(true);
    EXPECT_FALSE(table_->FilterActive());
    EXPECT_EQ(WalkForward().size(), 10u);
    EXPECT_THROW(table_->SetFilter("CODE >", false, false), EOrdaneExpression);
    EXPECT_FALSE(table_->FilterActive());
    table_->SetFilter("CODE <= 2", false, false);
    EXPECT_EQ(WalkForward(), (std::vector<int32_t>{1, 2}));
    table_->SetFilter("", false, false);
    EXPECT_FALSE(table_->FilterActive());
    EXPECT_EQ(WalkForward().size(), 10u);
}

TEST_F(HandlerTest, RangeLimitsTheFilterScan) {
    Open();
    MakeNdx(*table_, dir_.File("LAST.NDX"), "LAST");
    ASSERT_EQ(table_->OpenIndexList("LAST.NDX", "LAST"), 0);
    ASSERT_TRUE(table_->SetRange("C", "F", true, true, true));
    EXPECT_EQ(WalkForward(), (std::vector<int32_t>{8, 7, 6, 5}));
    table_->SetFilterActive(true);
    table_->SetFilter("CODE > 0", false, false);
    const TdvHugeSet* set = table_->FilterSet();
    for (int32_t n = 1; n <= 10; ++n) EXPECT_EQ(set->Test(n), n >= 5 && n <= 8) << n;
    // Physical order drops the range; read-ahead comes on.
    EXPECT_EQ(table_->SelectOrder("", false), 0);
    EXPECT_EQ(table_->MasterTag(), nullptr);
    EXPECT_TRUE(table_->ReadAheadOn());
    table_->SetFilterActive(false);
    EXPECT_EQ(WalkForward().size(), 10u);
}

TEST_F(HandlerTest, SkipRecordsStopsAtTheEnds) {
    Open();
    table_->GetRecord(7);
    table_->SkipRecords(5);
    EXPECT_EQ(table_->CurrentRecord(), 10);
    EXPECT_TRUE(table_->Eof());
    table_->GetRecord(3);
    table_->SkipRecords(-5);
    EXPECT_EQ(table_->CurrentRecord(), 1);
    EXPECT_TRUE(table_->Bof());
    table_->SkipRecords(4);
    EXPECT_EQ(table_->CurrentRecord(), 5);
    EXPECT_FALSE(table_->Eof());

    MakeNdx(*table_, dir_.File("LAST.NDX"), "LAST");
    ASSERT_EQ(table_->OpenIndexList("LAST.NDX", "LAST"), 0);
    table_->GetRecord(4);  // GRAY, third from the last in name order
    table_->SkipRecords(5);
    EXPECT_EQ(table_->CurrentRecord(), 1);
    EXPECT_TRUE(table_->Eof());
    table_->SkipRecords(-2);
    EXPECT_EQ(table_->CurrentRecord(), 3);

    // With something hidden the skip goes record by record.
    table_->useDeleted = false;
    table_->GetRecord(2);
    table_->DeleteRecord();
    table_->GetRecord(4);
    table_->SkipRecords(2);
    EXPECT_EQ(table_->CurrentRecord(), 1);
    table_->SkipRecords(3);
    EXPECT_TRUE(table_->Eof());
}

TEST_F(HandlerTest, FindKeyMissLeavesTheLastRecordWithEndOfTable) {
    Open();
    EXPECT_FALSE(table_->FindKey("BROWN"));  // no master tag
    EXPECT_TRUE(table_->Eof());
    MakeNdx(*table_, dir_.File("LAST.NDX"), "LAST");
    ASSERT_EQ(table_->OpenIndexList("LAST.NDX", "LAST"), 0);
    table_->exactMatch = true;
    EXPECT_TRUE(table_->FindKey("COLE"));
    EXPECT_EQ(table_->CurrentRecord(), 8);
    EXPECT_FALSE(table_->Eof());
    EXPECT_FALSE(table_->FindKey("CO"));
    EXPECT_EQ(table_->CurrentRecord(), 1);  // JONES, last in name order
    EXPECT_TRUE(table_->Eof());
    EXPECT_FALSE(table_->FindKey("ADAMS"));
    EXPECT_TRUE(table_->Eof());
    table_->exactMatch = false;
    EXPECT_TRUE(table_->FindKey("CO"));
    EXPECT_EQ(table_->CurrentRecord(), 8);
    EXPECT_FALSE(table_->FindKey("KAY"));
    EXPECT_EQ(table_->CurrentRecord(), 1);
    EXPECT_TRUE(table_->Eof());

    // A hidden first match moves on to the next visible one of the key.
    table_->GetRecord(9);
    table_->DeleteRecord();
    table_->useDeleted = false;
    table_->exactMatch = true;
    EXPECT_TRUE(table_->FindKey("BROWN"));
    EXPECT_EQ(table_->CurrentRecord(), 10);

    // FindTagKey looks up without moving and restores exact matching.
    table_->exactMatch = false;
    table_->GetRecord(3);
    EXPECT_EQ(table_->FindTagKey("last", "FOX"), 5);
    EXPECT_EQ(table_->FindTagKey("LAST", "FO"), 0);
    EXPECT_EQ(table_->FindTagKey("NOPE", "FOX"), -1);
    EXPECT_EQ(table_->CurrentRecord(), 3);
    EXPECT_FALSE(table_->exactMatch);
}

TEST_F(HandlerTest, LocateUsesAMatchingTagUnlessCaseIsIgnored) {
    Open();
    MakeNdx(*table_, dir_.File("NAMES.NDX"), "LAST+FIRST+CITY");
    MakeNdx(*table_, dir_.File("CITY.NDX"), "CITY");
    ASSERT_EQ(table_->OpenIndexList("CITY.NDX NAMES.NDX", ""), 0);
    auto* names = static_cast<DVobjNDXFile*>(table_->IndexFile(2));
    ASSERT_NE(names, nullptr);
    table_->exactMatch = true;

    struct Case {
        const char* fields;
        Variant values;
        bool partial, caseInsensitive;
        int32_t record;  // 0: no match
        bool byIndex;
    };
    const std::vector<Case> cases = {
        {"LAST;FIRST", Variant::Array{"BROWN", "JOHN"}, false, false, 10, true},
        {"LAST;FIRST", Variant::Array{"BROWN", "JOHNNY"}, false, false, 9, true},
        // Through the tag the first match is the first in key order; the scan finds the first record.
        {"LAST;FIRST", Variant::Array{"BROWN", "JO"}, true, false, 10, true},
        {"LAST;FIRST", Variant::Array{"BROWN", "JO"}, false, false, 0, true},
        {"last;first", Variant::Array{"brown", "john"}, false, true, 10, false},
        {"LAST;FIRST", Variant::Array{"BROWN", "jo"}, true, true, 9, false},
        {"LAST", Variant("HOLT"), false, false, 3, true},
        {"FIRST", Variant("EVE"), false, false, 5, false},
        {"CODE", Variant(7), false, false, 7, false},
    };
    for (const Case& c : cases) {
        table_->GetRecord(1);
        const int64_t before = names->PageReads();
        const bool found = table_->LocateRecord(c.fields, c.values, c.partial, c.caseInsensitive);
        EXPECT_EQ(found, c.record != 0) << c.fields << " " << c.partial << c.caseInsensitive;
        if (found) {
            EXPECT_EQ(table_->CurrentRecord(), c.record) << c.fields;
        }
        EXPECT_EQ(names->PageReads() > before, c.byIndex) << c.fields;
        EXPECT_TRUE(table_->exactMatch);
        EXPECT_EQ(table_->MasterTag(), nullptr);  // the order is the caller's again
    }
}

TEST_F(HandlerTest, LocateComparesAOneLetterField) {
    Open();
    // A table whose last located field has a one-letter name.
    const std::string path = dir_.File("LETTERS.DBF");
    CreateTable(path, 0x03, {{"NAME", 'C', 8}, {"X", 'C', 2}});
    DVO_dBHandler table(path, "", true, false);
    for (const char* x : {"AA", "BB", "CC"}) {
        table.BlankRecord();
        table.FieldPutN("NAME", "N");
        table.FieldPutN("X", x);
        table.AppendRecord();
    }
    EXPECT_TRUE(table.LocateRecord("NAME;X", Variant::Array{"N", "CC"}, false, false));
    EXPECT_EQ(table.CurrentRecord(), 3);
    EXPECT_FALSE(table.LocateRecord("NAME;X", Variant::Array{"N", "DD"}, false, false));
}

TEST(IndexListTest, SeparatorsAndQuotes) {
    struct Case {
        const char* list;
        std::vector<std::string> names;
    };
    const std::vector<Case> cases = {
        {"A.NDX, B.NDX;\"C D.NDX\"", {"A.NDX", "B.NDX", "C D.NDX"}},
        {"  A ,, B ;; ", {"A", "B"}},
        {"\"X Y\"Z", {"X Y", "Z"}},
        {" ,; ", {}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitIndexList(c.list), c.names) << c.list;
}

TEST_F(HandlerTest, OpenIndexListOpensQuotedNamesAndRefusesUnknownFormats) {
    Open();
    for (const char* name : {"A.NDX", "B.NDX", "C D.NDX"}) MakeNdx(*table_, dir_.File(name), "LAST");
    EXPECT_EQ(table_->OpenIndexList("A.NDX, B.NDX;\"C D.NDX\"", "B"), 0);
    EXPECT_EQ(table_->IndexFileCount(), 3);
    ASSERT_NE(table_->IndexFile(3), nullptr);
    EXPECT_EQ(table_->IndexFile(3)->FileName(), "C D.NDX");
    ASSERT_NE(table_->MasterTag(), nullptr);
    EXPECT_EQ(table_->MasterTag()->Name(), "B");
    EXPECT_EQ(table_->TagByNumber(3)->Name(), "C D");
    EXPECT_EQ(table_->TagByNumber(4), nullptr);
    EXPECT_EQ(table_->TagByNumber(0), nullptr);
    EXPECT_TRUE(table_->UsesIndexLocking());

    EXPECT_EQ(table_->OpenIndexFile("A"), -1);  // already open
    EXPECT_EQ(table_->OpenIndexFile(""), -1);
    for (const char* name : {"X.IDX", "MISSING.NDX", "Y.NTX"}) {
        try {
            table_->OpenIndexFile(name);
            ADD_FAILURE() << name;
        } catch (const EOrdaneError& e) {
            EXPECT_EQ(e.Code(), errcode::kFileNotFound) << name;
            EXPECT_EQ(e.SubCode(), subcode::kNone) << name;
        }
    }
    EXPECT_EQ(table_->IndexFileCount(), 3);
    EXPECT_THROW(table_->SelectOrder("NOPE", true), EOrdaneError);
    EXPECT_EQ(table_->MasterTag()->Name(), "B");
    EXPECT_EQ(table_->OpenIndexList("", ""), 1);
    EXPECT_EQ(table_->IndexFileCount(), 0);
    EXPECT_EQ(table_->MasterTag(), nullptr);
    EXPECT_FALSE(table_->UsesIndexLocking());
}

TEST_F(HandlerTest, IndexErrorsReachTheReporterOnceThroughTheHandler) {
    Open();
    MakeNdx(*table_, dir_.File("LAST.NDX"), "LAST");
    table_.reset();
    table_ = OpenPeople(path_, true);  // shared: the index file keeps no pages, so it sees the damage below
    ASSERT_EQ(table_->OpenIndexList("LAST.NDX", ""), 0);
    std::vector<uint8_t> bytes = ReadFileBytes(dir_.File("LAST.NDX"));
    const uint8_t outside[4] = {99, 0, 0, 0};
    std::copy(outside, outside + 4, bytes.begin());  // the root block lies outside the file
    WriteFileBytes(dir_.File("LAST.NDX"), bytes);
    WriteFileBytes(dir_.File("BAD.NDX"), bytes);

    ReportCounter counter;
    // A page error of an open file goes from the index file through the handler, its owner.
    EXPECT_EQ(Raised([&] { table_->SelectOrder("LAST", false); }).first, idxerr::kBadPointer);
    EXPECT_EQ(counter.Reports(), 1);
    // A file its format refuses at opening is reported by the handler itself.
    EXPECT_EQ(Raised([&] { table_->OpenIndexFile("BAD.NDX"); }), std::make_pair(idxerr::kBadHeader, subcode::kNone));
    EXPECT_EQ(counter.Reports(), 2);
}

TEST_F(HandlerTest, SixtyFourthIndexFileIsARangeError) {
    Open();
    for (int i = 1; i <= 64; ++i) MakeNdx(*table_, dir_.File("I" + std::to_string(i) + ".NDX"), "CODE");
    for (int i = 1; i <= 63; ++i) ASSERT_EQ(table_->OpenIndexFile("I" + std::to_string(i)), 0);
    EXPECT_THROW(table_->OpenIndexFile("I64"), ERangeError);
    EXPECT_EQ(table_->IndexFileCount(), 63);
    EXPECT_EQ(table_->FindIndexFile("I64.NDX"), 0);
    EXPECT_EQ(table_->FindIndexFile("I63.NDX"), 63);
    // Every open file still follows the writes.
    table_->GetRecord(1);
    table_->NumberPutN("CODE", 99);
    table_->PutRecord(1);
    table_->exactMatch = true;
    EXPECT_EQ(table_->FindTagKey("I63", "99"), 1);
}

}  // namespace
