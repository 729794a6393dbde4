#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/storage/collection.h"
#include "engine/storage/huge_set.h"
#include "framework/base/exception.h"

namespace {

TEST(HugeSet, PagesComeOnDemand) {
    TdvHugeSet set;
    EXPECT_FALSE(set.Test(200000));
    EXPECT_EQ(set.PageCount(), 0u);
    set.Change(200000, TdvHugeSet::hsSet);
    EXPECT_TRUE(set.Test(200000));
    EXPECT_FALSE(set.Test(199999));
    EXPECT_FALSE(set.Test(200001));
    EXPECT_EQ(set.PageCount(), 2u);
    EXPECT_EQ(set.Highest(), 200000);
}

TEST(HugeSet, OperationsAndClear) {
    TdvHugeSet set;
    set.Change(5, TdvHugeSet::hsInvert);
    EXPECT_TRUE(set.Test(5));
    set.Change(5, TdvHugeSet::hsInvert);
    EXPECT_FALSE(set.Test(5));
    set.Change(5, TdvHugeSet::hsSet);
    set.Change(5, 7);  // an unknown operation leaves the bit
    EXPECT_TRUE(set.Test(5));
    set.Change(9, TdvHugeSet::hsClear);
    EXPECT_EQ(set.Highest(), 9);
    set.Change(5, TdvHugeSet::hsClear);
    EXPECT_FALSE(set.Test(5));
    set.Change(131071, TdvHugeSet::hsSet);
    set.Change(131072, TdvHugeSet::hsSet);
    set.Clear();
    EXPECT_EQ(set.Highest(), -1);
    EXPECT_EQ(set.PageCount(), 2u);
    set.Change(0, TdvHugeSet::hsClear);
    EXPECT_FALSE(set.Test(131071));  // the kept pages were zeroed
    EXPECT_FALSE(set.Test(-1));
    EXPECT_THROW(set.Change(-1, TdvHugeSet::hsSet), ERangeError);
}

// An item that writes its name into a log when destroyed.
struct Tracked {
    Tracked(std::vector<std::string>* log, std::string name) : log_(log), name_(std::move(name)) {}
    ~Tracked() { log_->push_back(name_); }
    std::vector<std::string>* log_;
    std::string name_;
};

TEST(Collection, OwnsAndFreesItsItems) {
    std::vector<std::string> freed;
    auto* b = new Tracked(&freed, "b");
    {
        TdvCollection<Tracked> list;
        list.Add(new Tracked(&freed, "a"));
        list.Add(b);
        list.Add(nullptr);
        list.Insert(0, new Tracked(&freed, "c"));
        EXPECT_EQ(list.IndexOf(b), 2);
        list.Remove(b);
        EXPECT_EQ(freed, std::vector<std::string>{"b"});
        EXPECT_EQ(list.Count(), 3u);
        Tracked* kept = list.Extract(0);
        EXPECT_EQ(kept->name_, "c");
        delete kept;
        list.Delete(1);  // the null item
        EXPECT_EQ(list.Count(), 1u);
    }
    EXPECT_EQ(freed, (std::vector<std::string>{"b", "c", "a"}));
}

TEST(Collection, FreeAllFreesInOrderAndRefCollectionFreesNothing) {
    std::vector<std::string> freed;
    Tracked x(&freed, "x"), y(&freed, "y");
    {
        TdvRefCollection<Tracked> refs;
        refs.Add(&x);
        refs.Add(&y);
        refs.Remove(&x);
        refs.FreeAll();
        refs.Add(&y);
    }
    EXPECT_TRUE(freed.empty());
    TdvCollection<Tracked> list;
    list.Add(new Tracked(&freed, "1"));
    list.Add(new Tracked(&freed, "2"));
    list.FreeAll();
    EXPECT_EQ(freed, (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(list.Count(), 0u);
}

TEST(Collection, BadPositionsRaiseAndChangeNothing) {
    TdvCollection<int> list;
    list.Add(new int(1));
    list.Add(new int(2));
    EXPECT_THROW(list.Items(2), ERangeError);
    EXPECT_THROW(list.Insert(3, nullptr), ERangeError);
    EXPECT_THROW(list.Delete(5), ERangeError);
    EXPECT_THROW(list.Exchange(0, 2), ERangeError);
    EXPECT_THROW(list.Move(0, 2), ERangeError);
    EXPECT_EQ(list.Count(), 2u);
    EXPECT_EQ(*list.First(), 1);
    list.Move(0, 1);
    EXPECT_EQ(*list.First(), 2);
    list.Sort([](const int* a, const int* b) { return *a < *b; });
    EXPECT_EQ(*list.First(), 1);
    EXPECT_EQ(*list.Last(), 2);
    TdvCollection<int> empty;
    EXPECT_THROW(empty.First(), ERangeError);
}

}  // namespace
