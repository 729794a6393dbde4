// The data set's buffer ring, states and notifications, driven through the in-memory data set with a grid-like
// link (several buffers) and a navigator-like link (one buffer).
#include <gtest/gtest.h>

#include <memory>

#include "memory_data_set.h"

namespace {

using Events = std::vector<std::string>;
using Ids = std::vector<int32_t>;

std::unique_ptr<MemoryDataSet> MakeTable(int rows) {
    auto ds = std::make_unique<MemoryDataSet>(
        std::vector<MemoryDataSet::Column>{{"ID", ftInteger, 0}, {"NAME", ftString, 10}});
    for (int i = 1; i <= rows; ++i) ds->AddRow({i, "n" + std::to_string(i)});
    return ds;
}

int CurrentId(TDataSet& ds) { return ds.FieldByName("ID").AsInteger(); }

// A table of ten rows, shown by a four-row grid link and a one-row navigator link.
struct Browse : ::testing::Test {
    std::unique_ptr<MemoryDataSet> ds = MakeTable(10);
    TDataSource source;
    RecordingLink grid{4};
    RecordingLink nav{1};
    int dataChanges = 0;

    void SetUp() override {
        source.SetDataSet(ds.get());
        source.OnDataChange = [this](TDataSource&, TField*) { ++dataChanges; };
        grid.SetDataSource(&source);
        nav.SetDataSource(&source);
        ds->Open();
        grid.Take();
        nav.Take();
        dataChanges = 0;
    }
};

TEST(DataSetOpen, OpeningFetchesOneRingAndActivatesEveryLink) {
    auto ds = MakeTable(10);
    TDataSource source;
    RecordingLink grid(4), nav(1);
    Events order;
    ds->BeforeOpen = [&](TDataSet&) { order.push_back("BeforeOpen"); };
    ds->AfterOpen = [&](TDataSet&) { order.push_back("AfterOpen"); };
    ds->AfterScroll = [&](TDataSet&) { order.push_back("AfterScroll"); };
    source.OnStateChange = [&](TDataSource& s) { order.push_back("state:" + std::to_string(s.State())); };
    source.OnDataChange = [&](TDataSource&, TField* f) { order.push_back(f ? "data:" + f->FieldName() : "data"); };
    source.SetDataSet(ds.get());
    grid.SetDataSource(&source);
    nav.SetDataSource(&source);
    EXPECT_TRUE(grid.events.empty());

    ds->Open();
    EXPECT_EQ(order, (Events{"BeforeOpen", "state:1", "data", "AfterOpen", "AfterScroll"}));
    EXPECT_EQ(grid.events, Events{"active:1"});
    EXPECT_EQ(nav.events, Events{"active:1"});
    EXPECT_EQ(ds->State(), dsBrowse);
    EXPECT_EQ(ds->BufferCount(), 4);
    EXPECT_EQ(grid.Rows(*ds), (Ids{1, 2, 3, 4}));
    EXPECT_EQ(grid.ActiveRecord(), 0);
    EXPECT_TRUE(ds->Bof());
    EXPECT_FALSE(ds->Eof());
    EXPECT_EQ(ds->FieldCount(), 2);  // default fields from the definitions
    EXPECT_EQ(ds->FieldByName("name").AsString(), "n1");

    ds->Close();
    EXPECT_EQ(grid.events.back(), "active:0");
    EXPECT_EQ(ds->FieldCount(), 0);  // default fields go with the cursor
    EXPECT_THROW(ds->Next(), EDatabaseError);
    try {
        ds->First();
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Cannot perform this operation on a closed dataset");
    }
}

TEST(DataSetOpen, EmptyTableIsAtBothEnds) {
    auto ds = MakeTable(0);
    TDataSource source;
    RecordingLink grid(4);
    source.SetDataSet(ds.get());
    grid.SetDataSource(&source);
    ds->Open();
    EXPECT_TRUE(ds->Bof());
    EXPECT_TRUE(ds->Eof());
    EXPECT_TRUE(ds->IsEmpty());
    EXPECT_EQ(grid.RecordCount(), 0);
    EXPECT_EQ(ds->MoveBy(5), 0);
    EXPECT_EQ(ds->MoveBy(-5), 0);
    EXPECT_TRUE(ds->GetBookmark().empty());
    EXPECT_THROW(ds->Delete(), EDatabaseError);
}

TEST_F(Browse, ScrollingNotifiesEachLinkWithItsOwnDistance) {
    RecordingLink pair(2);
    pair.SetDataSource(&source);
    pair.Take();

    struct Step {
        int moveBy;
        int moved;
        Events grid, nav, pair;
        Ids rows;
        int current;
    };
    const Step steps[] = {
        // Within the ring only the current row changes for the grid; the one-row link follows the record.
        {1, 1, {"scrolled:0@1"}, {"scrolled:1@0"}, {"scrolled:0@1"}, {1, 2, 3, 4}, 2},
        // Two steps inside the ring, one fetch at the bottom: the grid shifts by one row.
        {3, 3, {"scrolled:1@3"}, {"scrolled:3@0"}, {"scrolled:3@1"}, {2, 3, 4, 5}, 5},
        // A page: four fetches.
        {4, 4, {"scrolled:4@3"}, {"scrolled:4@0"}, {"scrolled:4@1"}, {6, 7, 8, 9}, 9},
        // Beyond the end: one record, then EOF.
        {10, 1, {"scrolled:1@3"}, {"scrolled:1@0"}, {"scrolled:1@1"}, {7, 8, 9, 10}, 10},
        // At EOF nothing is attempted and nothing is sent.
        {1, 0, {}, {}, {}, {7, 8, 9, 10}, 10},
        // Beyond the start: three rows up inside the ring, six fetches at the top.
        {-20, -9, {"scrolled:-6@0"}, {"scrolled:-9@0"}, {"scrolled:-8@0"}, {1, 2, 3, 4}, 1},
        {-1, 0, {}, {}, {}, {1, 2, 3, 4}, 1},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE("MoveBy(" + std::to_string(s.moveBy) + ") to " + std::to_string(s.current));
        EXPECT_EQ(ds->MoveBy(s.moveBy), s.moved);
        EXPECT_EQ(grid.Take(), s.grid);
        EXPECT_EQ(nav.Take(), s.nav);
        EXPECT_EQ(pair.Take(), s.pair);
        EXPECT_EQ(grid.Rows(*ds), s.rows);
        EXPECT_EQ(CurrentId(*ds), s.current);
        // Every window holds the current record at its active slot.
        EXPECT_EQ(nav.Rows(*ds), Ids{s.current});
        EXPECT_EQ(pair.Rows(*ds)[static_cast<size_t>(pair.ActiveRecord())], s.current);
    }
    EXPECT_TRUE(ds->Bof());
    EXPECT_FALSE(ds->Eof());
}

TEST_F(Browse, EndFlagsFollowAttemptedMovesOnly) {
    ds->Next();
    EXPECT_FALSE(ds->Bof());
    ds->Prior();  // back on the first record, but no move before it was attempted yet
    EXPECT_FALSE(ds->Bof());
    ds->Prior();
    EXPECT_TRUE(ds->Bof());
    EXPECT_EQ(grid.Take(), (Events{"scrolled:0@1", "scrolled:0@0", "scrolled:0@0"}));
    ds->Last();
    EXPECT_TRUE(ds->Eof());
    EXPECT_FALSE(ds->Bof());
    EXPECT_EQ(grid.Rows(*ds), (Ids{7, 8, 9, 10}));
    EXPECT_EQ(grid.ActiveRecord(), 3);
    ds->First();
    EXPECT_TRUE(ds->Bof());
    EXPECT_EQ(grid.Take(), (Events{"changed@3", "changed@0"}));
    EXPECT_EQ(dataChanges, 5);
}

TEST_F(Browse, ResizingTheGridKeepsTheCurrentRecord) {
    ds->MoveBy(3);  // record 4 on the last of four rows
    grid.SetBufferCount(2);
    EXPECT_EQ(ds->BufferCount(), 2);
    EXPECT_EQ(grid.Rows(*ds), (Ids{3, 4}));
    EXPECT_EQ(grid.ActiveRecord(), 1);
    EXPECT_EQ(nav.Rows(*ds), Ids{4});
    grid.SetBufferCount(4);
    EXPECT_EQ(grid.Rows(*ds), (Ids{3, 4, 5, 6}));
    EXPECT_EQ(CurrentId(*ds), 4);

    ds->Last();
    grid.SetBufferCount(6);  // no records below: the ring fills upwards
    EXPECT_EQ(grid.Rows(*ds), (Ids{5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(grid.ActiveRecord(), 5);
    grid.SetBufferCount(20);
    EXPECT_EQ(grid.RecordCount(), 10);
    EXPECT_EQ(CurrentId(*ds), 10);

    grid.SetBufferCount(0);  // a window without rows still needs the current record
    EXPECT_EQ(grid.BufferCount(), 1);
    EXPECT_THROW(grid.SetBufferCount(1 << 20), EDatabaseError);
    EXPECT_EQ(CurrentId(*ds), 10);
}

TEST_F(Browse, LinkActiveRecordMovesWithinTheRingWithoutFetching) {
    int fetches = ds->fetches;
    grid.SetActiveRecord(2);
    EXPECT_EQ(CurrentId(*ds), 3);
    EXPECT_EQ(ds->fetches, fetches);
    EXPECT_THROW(grid.SetActiveRecord(4), EDatabaseError);
    EXPECT_THROW(grid.SetActiveRecord(-1), EDatabaseError);
}

TEST_F(Browse, InsertAndCancelRestoreTheRing) {
    ds->MoveBy(2);  // record 3
    grid.Take();
    nav.Take();
    ds->Insert();
    EXPECT_EQ(ds->State(), dsInsert);
    EXPECT_EQ(grid.Take(), (Events{"editing:1", "changed@2"}));
    EXPECT_EQ(nav.Take(), (Events{"editing:1", "changed@0"}));
    EXPECT_EQ(grid.Rows(*ds), (Ids{1, 2, 0, 3}));  // the new row opens at the current position
    EXPECT_TRUE(ds->FieldByName("ID").IsNull());
    EXPECT_TRUE(ds->GetBookmark().empty());

    ds->Cancel();
    EXPECT_EQ(ds->State(), dsBrowse);
    EXPECT_EQ(grid.Take(), (Events{"editing:0", "changed@2"}));
    EXPECT_EQ(grid.Rows(*ds), (Ids{1, 2, 3, 4}));
    EXPECT_EQ(CurrentId(*ds), 3);
    EXPECT_EQ(ds->RowCount(), 10);

    ds->Append();
    EXPECT_EQ(grid.Rows(*ds), (Ids{8, 9, 10, 0}));
    EXPECT_EQ(grid.ActiveRecord(), 3);
    ds->Cancel();
    EXPECT_EQ(grid.Rows(*ds), (Ids{7, 8, 9, 10}));
    EXPECT_EQ(CurrentId(*ds), 10);
}

TEST_F(Browse, PostedInsertAndEditAreReadBack) {
    ds->MoveBy(2);
    ds->Insert();
    ds->FieldByName("ID").SetAsInteger(99);
    ds->FieldByName("NAME").SetAsString("new");
    EXPECT_TRUE(ds->Modified());
    ds->Post();
    EXPECT_EQ(ds->State(), dsBrowse);
    EXPECT_EQ(ds->RowCount(), 11);
    EXPECT_EQ(CurrentId(*ds), 99);
    EXPECT_EQ(ds->RecNo(), 3);
    EXPECT_EQ(grid.Rows(*ds)[2], ds->RowIdAt(2));

    ds->Edit();
    EXPECT_EQ(ds->State(), dsEdit);
    ds->FieldByName("NAME").SetAsString("changed");
    EXPECT_EQ(ds->FieldByName("NAME").OldValue(), Variant("new"));
    EXPECT_EQ(ds->FieldByName("NAME").NewValue(), Variant("changed"));
    ds->Next();  // moving posts a modified record
    EXPECT_EQ(ds->State(), dsBrowse);
    ds->Prior();
    EXPECT_EQ(ds->FieldByName("NAME").AsString(), "changed");

    ds->Edit();
    ds->Next();  // an unmodified edit is cancelled
    EXPECT_EQ(ds->cancels, 1);
    EXPECT_THROW(ds->Post(), EDatabaseError);  // browsing: nothing to post
}

TEST_F(Browse, AppendRecordAndDelete) {
    ds->AppendRecord({11, "eleven"});
    EXPECT_EQ(ds->RowCount(), 11);
    EXPECT_EQ(CurrentId(*ds), 11);
    EXPECT_EQ(ds->RecNo(), 11);

    ds->First();
    ds->MoveBy(2);
    ds->Delete();
    EXPECT_EQ(CurrentId(*ds), 4);
    EXPECT_EQ(grid.Rows(*ds)[2], ds->RowIdAt(2));
    ds->Last();
    ds->Delete();  // the last record: its predecessor becomes current
    EXPECT_EQ(CurrentId(*ds), 10);
    EXPECT_EQ(ds->RowCount(), 9);
}

TEST(DataSetEmpty, InsertAndCancelOnAnEmptyTable) {
    auto ds = MakeTable(0);
    TDataSource source;
    RecordingLink grid(4);
    source.SetDataSet(ds.get());
    grid.SetDataSource(&source);
    ds->Open();
    ds->Insert();
    EXPECT_EQ(grid.RecordCount(), 1);
    ds->Cancel();
    EXPECT_EQ(grid.RecordCount(), 0);
    EXPECT_TRUE(ds->Bof() && ds->Eof());
    ds->Edit();  // editing an empty data set starts an insert
    EXPECT_EQ(ds->State(), dsInsert);
    ds->FieldByName("ID").SetAsInteger(1);
    ds->Post();
    EXPECT_EQ(ds->RowCount(), 1);
    EXPECT_EQ(grid.RecordCount(), 1);
}

TEST_F(Browse, ReadOnlyDataSetRefusesChanges) {
    ds->SetReadOnly(true);
    for (auto op : {&TDataSet::Insert, &TDataSet::Append, &TDataSet::Edit, &TDataSet::Delete}) {
        try {
            (ds.get()->*op)();
            ADD_FAILURE() << "modification accepted";
        } catch (const EDatabaseError& e) {
            EXPECT_STREQ(e.what(), "Cannot modify a read-only dataset");
        }
        EXPECT_EQ(ds->State(), dsBrowse);
    }
    EXPECT_EQ(ds->RowCount(), 10);
}

TEST_F(Browse, BookmarksRoundTrip) {
    ds->MoveBy(4);  // record 5
    TBookmark mark = ds->GetBookmark();
    ASSERT_EQ(mark.size(), 4u);
    ds->Last();
    grid.Take();
    ds->GotoBookmark(mark);
    EXPECT_EQ(CurrentId(*ds), 5);
    EXPECT_EQ(grid.Rows(*ds), (Ids{4, 5, 6, 7}));  // centred in the ring
    EXPECT_EQ(grid.Take(), Events{"changed@1"});
    EXPECT_TRUE(ds->BookmarkValid(mark));

    ds->Next();
    TBookmark later = ds->GetBookmark();
    EXPECT_EQ(ds->CompareBookmarks(mark, later), -1);
    EXPECT_EQ(ds->CompareBookmarks(later, mark), 1);
    EXPECT_EQ(ds->CompareBookmarks(mark, mark), 0);
    EXPECT_EQ(ds->CompareBookmarks(TBookmark(), mark), -1);
    EXPECT_EQ(ds->CompareBookmarks(TBookmark(), TBookmark()), 0);

    ds->Prior();
    ds->Delete();
    EXPECT_FALSE(ds->BookmarkValid(mark));
    EXPECT_THROW(ds->GotoBookmark(mark), EDatabaseError);
    EXPECT_THROW(ds->GotoBookmark(TBookmark{1, 2}), EDatabaseError);  // not a bookmark of this data set
    ds->GotoBookmark(TBookmark());                                    // none: nothing happens
    ds->FreeBookmark(later);
    EXPECT_TRUE(later.empty());
}

TEST_F(Browse, DisableControlsHoldsBackNotificationsUntilTheLastEnable) {
    ds->DisableControls();
    ds->DisableControls();
    ds->Next();
    ds->MoveBy(5);
    ds->Last();
    ds->EnableControls();
    EXPECT_TRUE(grid.events.empty());
    EXPECT_EQ(dataChanges, 0);
    ds->EnableControls();
    EXPECT_EQ(grid.Take(), Events{"changed@3"});
    EXPECT_EQ(nav.Take(), Events{"changed@0"});
    EXPECT_EQ(dataChanges, 1);
    ds->EnableControls();  // unbalanced: ignored
    EXPECT_TRUE(grid.events.empty());

    {
        TDisabledControlsScope scope(*ds);
        ds->Edit();
        ds->FieldByName("ID").SetDisplayWidth(4);  // a layout change while disabled
    }
    EXPECT_EQ(grid.Take(), (Events{"editing:1", "layout"}));
    ds->Cancel();
    grid.Take();

    // Closed and reopened meanwhile: the links are told to rebuild their layout.
    try {
        TDisabledControlsScope scope(*ds);
        ds->Close();
        ds->Open();
        throw std::runtime_error("leave the scope by an exception");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(ds->ControlsDisabled());
    EXPECT_EQ(grid.Take(), Events{"layout"});
}

TEST_F(Browse, FieldChangesReachLinksAndSourceWithTheField) {
    TField* changed = nullptr;
    source.OnDataChange = [&](TDataSource&, TField* f) { changed = f; };
    ds->Edit();
    grid.Take();
    ds->FieldByName("NAME").SetAsString("x");
    EXPECT_EQ(grid.Take(), Events{"record:NAME"});
    EXPECT_EQ(changed, ds->FindField("NAME"));
}

TEST_F(Browse, SourceAutoEditAndLinkEdit) {
    EXPECT_TRUE(nav.Edit());
    EXPECT_EQ(ds->State(), dsEdit);
    ds->Cancel();
    source.SetAutoEdit(false);
    EXPECT_FALSE(nav.Edit());
    EXPECT_EQ(ds->State(), dsBrowse);
    source.SetEnabled(false);
    EXPECT_FALSE(grid.Active());
    source.SetEnabled(true);
    EXPECT_TRUE(grid.Active());
}

TEST_F(Browse, ErrorEventsDecideOnFailedOperations) {
    ds->FailEdits(2);
    int asked = 0;
    ds->OnEditError = [&](TDataSet&, EDatabaseError& e, TDataAction& action) {
        EXPECT_STREQ(e.what(), "Record is locked");
        ++asked;
        action = daRetry;
    };
    ds->Edit();
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(ds->State(), dsEdit);
    ds->Cancel();

    ds->FailEdits(1);
    ds->OnEditError = [](TDataSet&, EDatabaseError&, TDataAction& action) { action = daAbort; };
    EXPECT_THROW(ds->Edit(), EAbort);
    EXPECT_EQ(ds->State(), dsBrowse);
    ds->FailEdits(1);
    ds->OnEditError = nullptr;
    EXPECT_THROW(ds->Edit(), EDatabaseError);
    EXPECT_EQ(ds->State(), dsBrowse);
}

TEST_F(Browse, RecNoLocateAndRefresh) {
    ds->SetRecNo(7);
    EXPECT_EQ(CurrentId(*ds), 7);
    EXPECT_EQ(ds->RecNo(), 7);
    EXPECT_EQ(ds->RecordCount(), 10);
    EXPECT_TRUE(ds->Locate("ID", Variant(9), 0));
    EXPECT_EQ(CurrentId(*ds), 9);
    EXPECT_FALSE(ds->Locate("ID", Variant(42), 0));
    EXPECT_EQ(CurrentId(*ds), 9);
    ds->Refresh();
    EXPECT_EQ(CurrentId(*ds), 9);
}

TEST_F(Browse, FilterRecordRunsInFilterStateAndRestoresIt) {
    std::vector<TDataSetState> seen;
    ds->OnFilterRecord = [&](TDataSet& d, bool& accept) {
        seen.push_back(d.State());
        accept = d.FieldByName("ID").AsInteger() % 2 == 0;
    };
    ds->SetFiltered(true);
    EXPECT_FALSE(ds->IsSequenced());
    EXPECT_EQ(grid.Rows(*ds), (Ids{2, 4, 6, 8}));
    EXPECT_EQ(ds->State(), dsBrowse);
    ASSERT_FALSE(seen.empty());
    for (TDataSetState s : seen) EXPECT_EQ(s, dsFilter);
}

TEST(DataSetFields, PersistentFieldsAreBoundByNameTypeAndSize) {
    struct Case {
        const char* what;
        std::function<std::unique_ptr<TField>()> make;
        const char* name;
        const char* message;
    };
    const Case cases[] = {
        {"missing", [] { return std::make_unique<TIntegerField>(); }, "MISSING", "Field 'MISSING' not found"},
        {"type", [] { return std::make_unique<TIntegerField>(); }, "NAME",
         "Type mismatch for field 'NAME', expecting: Integer actual: String"},
        {"size", [] { return std::make_unique<TStringField>(12); }, "NAME",
         "Size mismatch for field 'NAME', expecting: 12 actual: 10"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto ds = MakeTable(3);
        std::unique_ptr<TField> field = c.make();
        field->SetFieldName(c.name);
        field->SetDataSet(ds.get());
        try {
            ds->Open();
            ADD_FAILURE() << "opened";
        } catch (const EDatabaseError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_FALSE(ds->Active());
        EXPECT_EQ(ds->FieldCount(), 1);  // the persistent field stays
    }

    auto ds = MakeTable(3);
    TStringField name(10);
    name.SetFieldName("NAME");
    name.SetDataSet(ds.get());
    ds->Open();
    EXPECT_EQ(ds->FieldCount(), 1);  // only the persistent field: no default ones
    EXPECT_EQ(name.AsString(), "n1");
    EXPECT_EQ(name.FieldNo(), 2);
    EXPECT_THROW(name.SetDataSet(nullptr), EDatabaseError);  // not while open
    ds->Close();
    EXPECT_EQ(ds->FieldCount(), 1);
}

TEST(DataSetFields, CalculatedFieldsAreComputedPerRecordInTheirOwnState) {
    auto ds = MakeTable(5);
    TIntegerField id;
    id.SetFieldName("ID");
    id.SetDataSet(ds.get());
    TIntegerField twice;
    twice.SetFieldName("TWICE");
    twice.SetCalculated(true);
    twice.SetDataSet(ds.get());
    std::vector<TDataSetState> states;
    bool fail = false;
    ds->OnCalcFields = [&](TDataSet& d) {
        states.push_back(d.State());
        if (fail) throw std::runtime_error("calc failed");
        twice.SetAsInteger(id.AsInteger() * 2);
    };
    TDataSource source;
    RecordingLink grid(3);
    source.SetDataSet(ds.get());
    grid.SetDataSource(&source);
    ds->Open();
    EXPECT_EQ(twice.AsInteger(), 2);
    ds->Next();
    EXPECT_EQ(twice.AsInteger(), 4);
    EXPECT_GT(ds->CalcFieldsSize(), 0);
    for (TDataSetState s : states) EXPECT_EQ(s, dsCalcFields);

    ds->Edit();
    id.SetAsInteger(50);  // a data field change recalculates
    EXPECT_EQ(twice.AsInteger(), 100);
    EXPECT_EQ(ds->State(), dsEdit);
    ds->Cancel();

    ds->Last();
    fail = true;
    EXPECT_THROW(ds->First(), std::runtime_error);
    EXPECT_EQ(ds->State(), dsBrowse);  // the temporary state is undone

    ds->Close();
    EXPECT_THROW(ds->Open(), std::runtime_error);
    EXPECT_EQ(ds->State(), dsInactive);
    fail = false;
    ds->Open();
    EXPECT_EQ(twice.AsInteger(), 2);
}

// A detail data set whose master link hangs off another data set's source.
struct DetailDataSet : MemoryDataSet {
    TMasterDataLink master{this};
    DetailDataSet() : MemoryDataSet({{"ID", ftInteger, 0}}) {}
    TDataSource* GetDataSource() const override { return master.DataSource(); }
};

TEST(MasterDataLink, ReportsMasterMovesAndDisableAndRefusesCircles) {
    auto masterSet = MakeTable(3);
    TDataSource masterSource;
    masterSource.SetDataSet(masterSet.get());
    DetailDataSet detail;
    Events seen;
    detail.master.OnMasterChange = [&] { seen.push_back("change:" + std::to_string(detail.master.Fields().size())); };
    detail.master.OnMasterDisable = [&] { seen.push_back("disable"); };
    detail.master.SetFieldNames("ID");
    detail.master.SetDataSource(&masterSource);
    detail.Open();
    masterSet->Open();
    masterSet->Next();
    masterSet->Close();
    EXPECT_EQ(seen, (Events{"change:1", "change:1", "disable"}));

    TDataSource detailSource;
    detailSource.SetDataSet(&detail);
    try {
        detail.master.SetDataSource(&detailSource);
        ADD_FAILURE() << "a data set became its own master";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Circular datalinks are not allowed");
    }
    EXPECT_THROW(masterSource.SetDataSet(&detail), EDatabaseError);
    EXPECT_EQ(masterSource.DataSet(), masterSet.get());

    masterSet->Open();
    seen.clear();
    EXPECT_THROW(detail.master.SetFieldNames("NOPE"), EDatabaseError);
    EXPECT_TRUE(detail.master.Fields().empty());
}

TEST(DataLinkLifetime, LinksAndSourcesMayGoAwayInAnyOrder) {
    auto ds = MakeTable(5);
    auto source = std::make_unique<TDataSource>();
    source->SetDataSet(ds.get());
    auto grid = std::make_unique<RecordingLink>(4);
    RecordingLink nav(1);
    grid->SetDataSource(source.get());
    nav.SetDataSource(source.get());
    ds->Open();
    grid.reset();  // the ring shrinks to what remains
    EXPECT_EQ(ds->BufferCount(), 1);
    source.reset();
    EXPECT_FALSE(nav.Active());
    EXPECT_EQ(nav.DataSource(), nullptr);
    ds.reset();
}

}  // namespace
