// Items, containers and caches: the intrusive lists every engine and game object lives in,
// plus the UTF-8 helpers shared by the text, GUI and storage code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>

namespace valdmoor {

class TContainer;
class TCache;
class TNamedItem;

// Base of every listed object. The links live in the item itself, so adding and removing
// never allocates.
class TItem {
public:
    TItem() = default;
    // An item destroyed while still listed unlinks itself, so its container never keeps a
    // dangling link.
    virtual ~TItem();
    TItem(const TItem&) = delete;
    TItem& operator=(const TItem&) = delete;

    // Called right after the item was linked into / unlinked from a container.
    virtual void Attached() {}
    virtual void Detached() {}
    // The sort test: true when this item belongs before Other or is equal to it. Plain items
    // never move in sort order; only the head sentinel sorts before everything.
    virtual bool InOrderBefore(const TItem& other) const;
    // Cheap down-cast used by name look-ups and the name order.
    virtual const TNamedItem* AsNamed() const { return nullptr; }

    TContainer* Container() const { return container_; }
    // Neighbours; nil at the ends (the sentinels are never returned).
    TItem* Next() const { return next_ != nullptr && next_->next_ != nullptr ? next_ : nullptr; }
    TItem* Previous() const {
        return previous_ != nullptr && previous_->previous_ != nullptr ? previous_ : nullptr;
    }

    // Remove(self, true) on the item's container; nothing when it is in none.
    void RemoveSelf();
    // Delete while iterating: the neighbour is noted before the item goes.
    TItem* RemoveAndNext();
    TItem* RemoveAndPrevious();

private:
    friend class TContainer;
    friend class TCache;

    TContainer* container_ = nullptr;
    TItem* previous_ = nullptr;
    TItem* next_ = nullptr;
};

class TNamedItem : public TItem {
public:
    TNamedItem() = default;
    explicit TNamedItem(std::string name) : name_(std::move(name)) {}

    // Byte-wise order: unsigned bytes over the common length, then the shorter name first.
    bool InOrderBefore(const TItem& other) const override;
    const TNamedItem* AsNamed() const override { return this; }

    const std::string& Name() const { return name_; }
    // Stores the name, moves the item to its place in a sorted container, then NameChanged.
    void SetName(std::string_view name);
    virtual void NameChanged() {}

private:
    std::string name_;
};

// Hands out pre-built items of one class so that objects made and dropped every frame are
// recycled instead of allocated.
class TCache {
public:
    // Stands for the class the cache builds.
    using TFactory = std::unique_ptr<TItem> (*)();

    template <class T>
    static std::unique_ptr<TItem> Build() {
        return std::make_unique<T>();
    }

    TCache(TFactory factory, int32_t initialCount);
    // Destroys the free items; items still listed somewhere are their owners' business.
    ~TCache();
    TCache(const TCache&) = delete;
    TCache& operator=(const TCache&) = delete;

    // Pops a free item, first building max(total / 4, 4) more when none is left.
    TItem* Get();
    // Puts an item back on the free list.
    void Put(TItem* item);

    int32_t Total() const { return total_; }
    int32_t FreeCount() const { return freeCount_; }

private:
    void Grow(int32_t count);

    TFactory factory_;
    int32_t total_ = 0;
    int32_t freeCount_ = 0;
    TItem* free_ = nullptr;
};

// An intrusive doubly linked list with an optional name order. Sorted inserts and look-ups
// start at a cursor, so items that arrive in order, and look-ups of neighbouring names,
// cost O(1). Positions are 1-based.
class TContainer {
public:
    // A plain list; an owning list destroys items on Remove(item, true) and Clear.
    explicit TContainer(bool sorted = false, bool ownsItems = true);
    // A list whose removed items go back to a cache of its own.
    TContainer(bool sorted, TCache::TFactory factory, int32_t initialCount);
    // A list recycling through a cache that something else owns (several lists, one pool).
    TContainer(bool sorted, TCache& sharedCache);
    virtual ~TContainer();
    TContainer(const TContainer&) = delete;
    TContainer& operator=(const TContainer&) = delete;

    // Links Item (at its sorted place when InOrder and the list is sorted, else at the end).
    // An item still listed elsewhere is taken out of that list first.
    TItem* Add(TItem* item, bool inOrder = false);
    template <class T>
    T* Add(std::unique_ptr<T> item, bool inOrder = false) {
        T* raw = item.release();
        Add(static_cast<TItem*>(raw), inOrder);
        return raw;
    }
    // Gets an item from the cache and adds it; nil for a list without a cache.
    TItem* NewItem(bool inOrder = false);
    // Unlinks Item; it then goes to the cache, or is destroyed when the list owns its items
    // and FreeIt is set. Items of other lists are left alone.
    void Remove(TItem* item, bool freeIt = true);
    // Removes every item, from the end towards the front.
    void Clear();

    TItem* First() const { return count_ > 0 ? head_.next_ : nullptr; }
    TItem* Last() const { return count_ > 0 ? tail_.previous_ : nullptr; }
    TItem* ItemAt(int32_t index) const;
    int32_t IndexOf(const TItem* item) const;
    TNamedItem* Find(std::string_view name);
    bool AllNamed() const;
    bool Reposition(TItem* item);

    int32_t Count() const { return count_; }
    bool Empty() const { return count_ == 0; }
    bool Sorted() const { return sorted_; }
    bool OwnsItems() const { return ownsItems_; }
    TCache* Cache() const { return cache_; }
    // The item last inserted in order or last found; nil while it is the head sentinel.
    TItem* Cursor() const { return cursor_ == &head_ ? nullptr : cursor_; }

private:
    friend class TItem;
    friend class TCache;

    void LinkBefore(TItem* item, TItem* walker);
    void LinkAfter(TItem* item, TItem* walker);
    static void Unlink(TItem* item);
    // Takes a listed item out without handing it to the cache or destroying it.
    void Detach(TItem* item);

    bool sorted_;
    bool ownsItems_;
    int32_t count_ = 0;
    TItem head_;
    TItem tail_;
    TItem* cursor_;
    std::unique_ptr<TCache> ownedCache_;
    TCache* cache_ = nullptr;
};

// A container whose items are all of class T: typed access and range-for iteration.
template <class T>
class TContainerOf : public TContainer {
public:
    using TContainer::TContainer;

    T* First() const { return static_cast<T*>(TContainer::First()); }
    T* Last() const { return static_cast<T*>(TContainer::Last()); }
    T* ItemAt(int32_t index) const { return static_cast<T*>(TContainer::ItemAt(index)); }
    T* Find(std::string_view name) { return static_cast<T*>(TContainer::Find(name)); }
    T* NewItem(bool inOrder = false) { return static_cast<T*>(TContainer::NewItem(inOrder)); }

    // Walks First .. Next; the next item is noted before the body runs, so the body may
    // remove the current item.
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = T*;
        using reference = T&;

        explicit Iterator(T* item = nullptr) : item_(item), next_(NextOf(item)) {}
        T& operator*() const { return *item_; }
        T* operator->() const { return item_; }
        Iterator& operator++() {
            item_ = next_;
            next_ = NextOf(item_);
            return *this;
        }
        bool operator==(const Iterator& other) const { return item_ == other.item_; }

    private:
        static T* NextOf(T* item) {
            return item != nullptr ? static_cast<T*>(item->Next()) : nullptr;
        }
        T* item_;
        T* next_;
    };

    Iterator begin() const { return Iterator(First()); }
    Iterator end() const { return Iterator(); }
};

// UTF-8 helpers. Strings are byte strings holding UTF-8; a character is a code point.

// 1 to 4 bytes; empty above U+10FFFF.
std::string Utf8Encode(uint32_t codePoint);
// Decodes one sequence from up to Available bytes. No check for overlong forms. On failure
// Length is 1 (0 when nothing is available) and the result is false.
bool Utf8Decode(const char* bytes, std::ptrdiff_t available, int& length, uint32_t& codePoint);
// Number of valid sequences; invalid bytes are skipped and not counted.
int32_t Utf8Length(std::string_view s);
// Code point of the Index-th valid character (1-based); 0 when out of range.
uint32_t Utf8CharAt(std::string_view s, int32_t index);
// Substring by characters, 1-based; S unchanged when Start or Count is not positive.
std::string Utf8Copy(std::string_view s, int32_t start, int32_t count);
// UTF-16 for system calls that want it; invalid bytes are skipped.
std::u16string Utf8ToWide(std::string_view s);
// Removes bytes below 33 from both ends.
std::string TrimControls(std::string_view s);
// Upper-cases the first byte when it is a-z.
std::string CapitalizeFirst(std::string_view s);

// A version number as shown to the player: 105 gives "1.05".
std::string VersionText(int32_t version);

} // namespace valdmoor
