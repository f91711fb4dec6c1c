// TList: order, identity removal, iteration with removal and appending, stable merge sort.
#include "framework/system/List.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Item {
    std::string name;
    int score = 0;
};
using ItemPtr = std::shared_ptr<Item>;

ItemPtr Make(std::string name, int score = 0) { return std::make_shared<Item>(Item{std::move(name), score}); }

std::string Names(const TList<Item>& list)
{
    std::string s;
    for (const auto& item : list) s += item->name;
    return s;
}

TList<Item>& Fill(TList<Item>& list, const std::string& names)
{
    for (char c : names) list.AddLast(Make(std::string(1, c)));
    return list;
}

TEST(List, EmptyListHasNoEnds)
{
    TList<Item> list;
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.First(), nullptr);
    EXPECT_EQ(list.Last(), nullptr);
    EXPECT_EQ(list.RemoveFirst(), nullptr);
    EXPECT_EQ(list.RemoveLast(), nullptr);
    EXPECT_EQ(Names(list), "");
    EXPECT_FALSE(list.Remove(Make("x")));
}

TEST(List, OrderIsInsertionOrder)
{
    TList<Item> list;
    list.AddLast(Make("b"));
    list.AddLast(Make("c"));
    list.AddFirst(Make("a"));
    EXPECT_EQ(Names(list), "abc");
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.First()->name, "a");
    EXPECT_EQ(list.Last()->name, "c");
    EXPECT_EQ(list.ValueAtIndex(1)->name, "b");
    EXPECT_EQ(list.ValueAtIndex(3), nullptr);
    EXPECT_EQ(list.RemoveFirst()->name, "a");
    EXPECT_EQ(list.RemoveLast()->name, "c");
    EXPECT_EQ(Names(list), "b");
}

TEST(List, RemoveTakesThatVeryObjectNotAnEqualOne)
{
    TList<Item> list;
    auto a1 = Make("a");
    auto a2 = Make("a");
    list.AddLast(a1);
    list.AddLast(a2);
    list.AddLast(a1);  // the same object twice
    EXPECT_TRUE(list.Remove(a2));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_TRUE(list.Contains(a1));
    EXPECT_FALSE(list.Contains(a2));
    EXPECT_FALSE(list.Remove(a2));
    EXPECT_TRUE(list.Remove(a1));  // the first occurrence only
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.First(), a1);
}

TEST(List, RemovingTheCurrentElementVisitsEveryOtherOnce)
{
    TList<Item> list;
    Fill(list, "abcde");
    std::string seen;
    for (const auto& item : list) {
        seen += item->name;
        if (item->name == "b" || item->name == "d") list.Remove(item);
    }
    EXPECT_EQ(seen, "abcde");
    EXPECT_EQ(Names(list), "ace");
}

TEST(List, RemovingEverythingInsideTheLoopLeavesItEmpty)
{
    TList<Item> list;
    Fill(list, "abcdef");
    int visits = 0;
    for (const auto& item : list) {
        ++visits;
        list.Remove(item);
    }
    EXPECT_EQ(visits, 6);
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.First(), nullptr);
}

TEST(List, ElementsRemovedAheadAreSkipped)
{
    struct Case {
        std::string at;      // when this one is handed out...
        std::string remove;  // ...these are removed
        std::string seen, left;
    };
    const Case cases[] = {
        {"a", "b", "acde", "acde"},   // the very next one
        {"a", "bc", "ade", "ade"},    // a run of them
        {"b", "e", "abcd", "abcd"},   // the last one
        {"c", "ab", "abcde", "cde"},  // already visited ones: no effect on the walk
        {"a", "abcde", "a", ""},      // all, including the current one
    };
    for (const auto& c : cases) {
        TList<Item> list;
        Fill(list, "abcde");
        std::string seen;
        for (const auto& item : list) {
            seen += item->name;
            if (item->name != c.at) continue;
            for (char r : c.remove)
                for (const auto& x : list.ToArray())
                    if (x->name == std::string(1, r)) list.Remove(x);
        }
        EXPECT_EQ(seen, c.seen) << c.at << " removes " << c.remove;
        EXPECT_EQ(Names(list), c.left) << c.at << " removes " << c.remove;
    }
}

TEST(List, ElementsAppendedDuringIterationAreReached)
{
    TList<Item> list;
    Fill(list, "ab");
    std::string seen;
    for (const auto& item : list) {
        seen += item->name;
        if (item->name == "a") list.AddLast(Make("c"));
        if (item->name == "c") list.AddLast(Make("d"));
        if (item->name == "b") list.AddFirst(Make("z"));  // in front: behind the walk
    }
    EXPECT_EQ(seen, "abcd");
    EXPECT_EQ(Names(list), "zabcd");
}

TEST(List, AppendingAfterRemovingTheCurrentElement)
{
    struct Case {
        std::string at, seen, left;
    };
    const Case cases[] = {
        {"a", "abcx", "bcx"},  // the removed link still leads on to the live ones
        {"b", "abcx", "acx"},
        {"c", "abc", "abx"},  // it was the last: its way on ends at the head
    };
    for (const auto& c : cases) {
        TList<Item> list;
        Fill(list, "abc");
        std::string seen;
        for (const auto& item : list) {
            seen += item->name;
            if (item->name == c.at) {
                list.Remove(item);
                list.AddLast(Make("x"));
            }
        }
        EXPECT_EQ(seen, c.seen) << c.at;
        EXPECT_EQ(Names(list), c.left) << c.at;
    }
}

TEST(List, ClearDuringIterationEndsTheWalk)
{
    TList<Item> list;
    Fill(list, "abc");
    std::string seen;
    for (const auto& item : list) {
        seen += item->name;
        list.Clear();
    }
    EXPECT_EQ(seen, "a");
    EXPECT_TRUE(list.IsEmpty());
    list.AddLast(Make("x"));
    EXPECT_EQ(Names(list), "x");
}

TEST(List, NestedIterationsSeeTheSameRemovals)
{
    TList<Item> list;
    Fill(list, "abcd");
    std::string pairs;
    for (const auto& outer : list) {
        for (const auto& inner : list) {
            if (inner == outer) continue;
            pairs += outer->name + inner->name + " ";
            if (inner->name == "c") list.Remove(inner);  // a collision removing the other object
        }
    }
    EXPECT_EQ(pairs, "ab ac ad ba bd da db ");
    EXPECT_EQ(Names(list), "abd");
}

TEST(List, ObjectsLiveWhileTheListHoldsThem)
{
    std::weak_ptr<Item> watch;
    {
        TList<Item> list;
        auto item = Make("a");
        watch = item;
        list.AddLast(item);
        item.reset();
        EXPECT_FALSE(watch.expired());
    }
    EXPECT_TRUE(watch.expired());
}

int ByScore(const Item& a, const Item& b) { return a.score - b.score; }

std::string SortedNames(const std::vector<std::pair<std::string, int>>& items, bool ascending)
{
    TList<Item> list;
    for (const auto& [n, s] : items) list.AddLast(Make(n, s));
    list.Sort(ascending, ByScore);
    return Names(list);
}

TEST(ListSort, StableInBothDirections)
{
    struct Case {
        std::vector<std::pair<std::string, int>> items;
        bool ascending;
        std::string sorted;
    };
    const Case cases[] = {
        {{{"a", 5}, {"b", 7}, {"c", 5}}, false, "bac"},
        {{{"a", 5}, {"b", 7}, {"c", 5}}, true, "acb"},
        {{}, true, ""},
        {{{"a", 1}}, false, "a"},
        {{{"a", 1}, {"b", 1}, {"c", 1}, {"d", 1}, {"e", 1}}, false, "abcde"},
        {{{"a", 1}, {"b", 1}, {"c", 1}, {"d", 1}, {"e", 1}}, true, "abcde"},
        {{{"a", 3}, {"b", 1}, {"c", 2}, {"d", 3}, {"e", 1}, {"f", 2}, {"g", 3}}, true, "becfadg"},
        {{{"a", 3}, {"b", 1}, {"c", 2}, {"d", 3}, {"e", 1}, {"f", 2}, {"g", 3}}, false, "adgcfbe"},
        // the high-score table with a new 1000 appended after the old one
        {{{"p", 1000}, {"q", 900}, {"r", 100}, {"n", 1000}}, false, "pnqr"},
    };
    for (const auto& c : cases) EXPECT_EQ(SortedNames(c.items, c.ascending), c.sorted);
}

TEST(ListSort, ManyEqualKeysKeepTheirOrder)
{
    TList<Item> list;
    for (int i = 0; i < 1000; ++i) list.AddLast(Make(std::to_string(i), (i * 37) % 10));
    list.Sort(false, ByScore);
    int lastScore = 1 << 30, lastIndex = -1;
    for (const auto& item : list) {
        const int index = std::stoi(item->name);
        if (item->score == lastScore) {
            EXPECT_GT(index, lastIndex);
        }
        EXPECT_LE(item->score, lastScore);
        lastScore = item->score;
        lastIndex = index;
    }
    EXPECT_EQ(list.Count(), 1000);
}

}  // namespace
