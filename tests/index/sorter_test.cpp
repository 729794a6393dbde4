// The external sorter: order, duplicates, direction, spilled runs and its refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/index/sorter.h"
#include "engine/storage/errors.h"

namespace {
using Pair = std::pair<std::string, int32_t>;

std::vector<Pair> Drain(TdvSort& s) {
    std::vector<Pair> out;
    TdvVariant key(64);
    int32_t rec = 0;
    while (s.Next(key, rec)) out.emplace_back(key.AsText(), rec);
    return out;
}

TdvVariant Text(const std::string& t) {
    TdvVariant v;
    v.SetText(t);
    return v;
}

int ErrorId(const std::function<void()>& f) {
    try {
        f();
    } catch (const EOrdaneError& e) {
        return e.Code();
    }
    return 0;
}
}  // namespace

TEST(SorterTest, OrderDuplicatesAndDirection) {
    struct Case {
        bool ascending, unique;
        std::vector<Pair> expected;
    };
    const Case cases[] = {
        {true, false, {{"A", 2}, {"B", 1}, {"B", 3}}},
        {true, true, {{"A", 2}, {"B", 1}}},
        {false, false, {{"B", 3}, {"B", 1}, {"A", 2}}},
    };
    for (const Case& c : cases) {
        TdvSort s(10, nullptr, c.ascending, c.unique);
        s.Add(Text("B"), 1);
        s.Add(Text("A  "), 2);  // trailing blanks do not count
        s.Add(Text("B"), 3);
        EXPECT_EQ(Drain(s), c.expected) << c.ascending << c.unique;
    }
}

TEST(SorterTest, NumbersDatesAndPrefixKeysKeepTheirOrder) {
    // Numbers that differ only in low bytes, negative numbers and zero; keys that are prefixes of others.
    const std::vector<double> numbers = {1.0, 1.0000000000000002, -1.0, -1e300, 0.0, -0.0, 2.5, 1e-300, -2.5};
    TdvSort s(9, nullptr, true, false);
    for (size_t i = 0; i < numbers.size(); ++i) {
        TdvVariant v;
        v.SetNumber(numbers[i]);
        s.Add(v, static_cast<int32_t>(1000 - i));
    }
    std::vector<double> got;
    TdvVariant key;
    int32_t rec;
    while (s.Next(key, rec)) got.push_back(key.AsNumber());
    std::vector<double> want = numbers;
    std::stable_sort(want.begin(), want.end());
    EXPECT_EQ(got, want);

    TdvSort d(4, nullptr, true, false);
    for (int32_t day : {2451545, 0, 2415019, 2451544}) {
        TdvVariant v;
        v.SetDate(day);
        d.Add(v, 1);
    }
    std::vector<int32_t> days;
    while (d.Next(key, rec)) days.push_back(key.AsDate());
    EXPECT_EQ(days, (std::vector<int32_t>{0, 2415019, 2451544, 2451545}));

    TdvSort p(10, nullptr, true, false);
    p.Add(Text("AB"), 0x41424344);  // its record bytes spell "ABCD": the stored form is a prefix of the next
    p.Add(Text("ABABCD"), 1);
    p.Add(Text("A"), 7);
    EXPECT_EQ(Drain(p), (std::vector<Pair>{{"A", 7}, {"AB", 0x41424344}, {"ABABCD", 1}}));
}

TEST(SorterTest, SpilledRunsGiveTheSameOrderAsMemory) {
    std::mt19937 rng(7);
    std::vector<Pair> keys;
    for (int32_t i = 1; i <= 120000; ++i) {
        std::string k(20, ' ');
        for (int j = 0; j < 12; ++j) k[j] = static_cast<char>('A' + rng() % 26);
        keys.emplace_back(k.substr(0, 12), i);
    }
    TdvSort s(21, nullptr, true, false);
    for (const Pair& p : keys) s.Add(Text(p.first), p.second);
    std::vector<Pair> got = Drain(s);
    EXPECT_GT(s.RunCount(), 3);  // it really spilled
    std::stable_sort(keys.begin(), keys.end(), [](const Pair& a, const Pair& b) { return a.first < b.first; });
    EXPECT_EQ(got, keys);
}

TEST(SorterTest, Refusals) {
    EXPECT_EQ(ErrorId([] { TdvSort s(241, nullptr, true, false); }), 65161);
    TdvSort s(3, nullptr, true, false);
    EXPECT_EQ(ErrorId([&] { s.Add(Text("ABCD"), 1); }), 65161);
    TdvVariant b;
    b.SetBoolean(true);
    EXPECT_EQ(ErrorId([&] { s.Add(b, 1); }), 65160);
    s.Add(Text("A"), 1);
    TdvVariant key;
    int32_t rec;
    ASSERT_TRUE(s.Next(key, rec));
    EXPECT_EQ(ErrorId([&] { s.Add(Text("B"), 2); }), 65162);
    EXPECT_FALSE(s.Next(key, rec));
}
