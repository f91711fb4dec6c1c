// TList: the ordered object list every game table and play-object collection uses.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// A doubly linked ring of links around a sentinel. During an iteration the value just handed out,
// or any other, may be removed: a removed link keeps its successor and loses its value, and an
// iteration that reaches it skips it and goes on behind it. Values appended during an iteration
// are reached by it (unless the link it stands on was removed while it was the last one).
template <typename T>
class TList {
public:
    using Ptr = std::shared_ptr<T>;

    struct TLink {
        Ptr _value;
        std::shared_ptr<TLink> _succ;
        TLink* _pred = nullptr;
    };
    using LinkPtr = std::shared_ptr<TLink>;

    TList()
    {
        _head = std::make_shared<TLink>();
        _head->_succ = _head;
        _head->_pred = _head.get();
    }
    ~TList()
    {
        Clear();
        _head->_succ.reset();  // break the ring so the sentinel is freed
    }
    TList(const TList&) = delete;
    TList& operator=(const TList&) = delete;

    bool IsEmpty() const { return _head->_succ == _head; }
    int32_t Count() const
    {
        int32_t n = 0;
        for (TLink* l = _head->_succ.get(); l != _head.get(); l = l->_succ.get()) ++n;
        return n;
    }
    bool Contains(const Ptr& value) const { return FindLink(value) != nullptr; }

    LinkPtr AddFirst(Ptr value) { return InsertAfterLink(std::move(value), _head.get()); }
    LinkPtr AddLast(Ptr value) { return InsertAfterLink(std::move(value), _head->_pred); }

    // Null on an empty list.
    Ptr First() const { return IsEmpty() ? nullptr : _head->_succ->_value; }
    Ptr Last() const { return IsEmpty() ? nullptr : _head->_pred->_value; }
    Ptr RemoveFirst()
    {
        Ptr v = First();
        if (!IsEmpty()) RemoveLink(_head->_succ.get());
        return v;
    }
    Ptr RemoveLast()
    {
        Ptr v = Last();
        if (!IsEmpty()) RemoveLink(_head->_pred);
        return v;
    }

    // Removes the first link holding that very object; false when it is not in the list.
    bool Remove(const Ptr& value) { return Remove(value.get()); }
    bool Remove(const T* value)
    {
        TLink* l = FindLink(value);
        if (!l) return false;
        RemoveLink(l);
        return true;
    }

    // Removes the links one by one from the front.
    void Clear()
    {
        while (!IsEmpty()) RemoveLink(_head->_succ.get());
    }

    Ptr ValueAtIndex(int32_t index) const
    {
        int32_t i = 0;
        for (TLink* l = _head->_succ.get(); l != _head.get(); l = l->_succ.get(), ++i)
            if (i == index) return l->_value;
        return nullptr;
    }

    std::vector<Ptr> ToArray() const
    {
        std::vector<Ptr> out;
        for (TLink* l = _head->_succ.get(); l != _head.get(); l = l->_succ.get()) out.push_back(l->_value);
        return out;
    }

    // Stable bottom-up merge sort; compare(a, b) is negative, zero or positive. Descending
    // order keeps equal values in their old order too.
    void Sort(bool ascending, const std::function<int(const T&, const T&)>& compare);

    // Holds the link it handed out last and steps on from it only when asked for the next
    // value, so a value appended behind the current last one is still reached.
    class iterator {
    public:
        iterator(LinkPtr first, const TLink* head) : _head(head), _link(std::move(first)) { SkipEmpty(); }
        const Ptr& operator*() const { return _value; }
        iterator& operator++()
        {
            _link = _link->_succ;
            SkipEmpty();
            return *this;
        }
        bool operator==(const iterator& other) const { return _done == other._done && _done; }
        bool operator!=(const iterator& other) const { return !(*this == other); }

    private:
        friend class TList;
        iterator() : _head(nullptr), _done(true) {}
        // Steps past links whose value was removed; a removed link still leads on.
        void SkipEmpty()
        {
            while (_link && _link.get() != _head) {
                if (_link->_value) {
                    _value = _link->_value;
                    return;
                }
                _link = _link->_succ;
            }
            _link.reset();
            _value.reset();
            _done = true;
        }
        const TLink* _head;
        LinkPtr _link;
        Ptr _value;
        bool _done = false;
    };

    iterator begin() const { return iterator(_head->_succ, _head.get()); }
    iterator end() const { return iterator(); }

private:
    TLink* FindLink(const T* value) const
    {
        for (TLink* l = _head->_succ.get(); l != _head.get(); l = l->_succ.get())
            if (l->_value.get() == value) return l;
        return nullptr;
    }
    TLink* FindLink(const Ptr& value) const { return FindLink(value.get()); }

    LinkPtr InsertAfterLink(Ptr value, TLink* pred)
    {
        auto link = std::make_shared<TLink>();
        link->_value = std::move(value);
        link->_succ = pred->_succ;
        link->_pred = pred;
        link->_succ->_pred = link.get();
        pred->_succ = link;
        return link;
    }

    // The removed link keeps its successor so an iteration standing on it can go on.
    void RemoveLink(TLink* link)
    {
        TLink* pred = link->_pred;
        LinkPtr succ = link->_succ;
        LinkPtr self = pred->_succ;  // keeps link alive until unlinked
        succ->_pred = pred;
        pred->_succ = succ;
        link->_value.reset();
        link->_pred = nullptr;
    }

    LinkPtr _head;
};

template <typename T>
void TList<T>::Sort(bool ascending, const std::function<int(const T&, const T&)>& compare)
{
    std::vector<Ptr> items = ToArray();
    const size_t n = items.size();
    std::vector<Ptr> scratch(n);
    auto before = [&](const Ptr& a, const Ptr& b) {
        int c = compare(*a, *b);
        return ascending ? c <= 0 : c >= 0;  // ties keep the left (older) element first
    };
    for (size_t width = 1; width < n; width *= 2) {
        for (size_t lo = 0; lo < n; lo += 2 * width) {
            size_t mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
            size_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi) scratch[k++] = before(items[i], items[j]) ? items[i++] : items[j++];
            while (i < mid) scratch[k++] = items[i++];
            while (j < hi) scratch[k++] = items[j++];
        }
        items.swap(scratch);
    }
    size_t idx = 0;
    for (TLink* l = _head->_succ.get(); l != _head.get(); l = l->_succ.get()) l->_value = items[idx++];
}
