#include "app/EngineClasses.h"

#include <algorithm>

namespace valdmoor {

namespace {

// A listed item has both links; the head sentinel is the one linked element without a
// previous one and is marked by pointing at its container.
bool IsListed(const TItem* item, const TContainer* container) {
    return item != nullptr && item->Container() == container && container != nullptr;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TItem

TItem::~TItem() {
    if (container_ != nullptr && previous_ != nullptr) {
        container_->Detach(this);
    }
}

bool TItem::InOrderBefore(const TItem& /*other*/) const {
    return container_ != nullptr && previous_ == nullptr;
}

void TItem::RemoveSelf() {
    if (container_ != nullptr && previous_ != nullptr) {
        container_->Remove(this, true);
    }
}

TItem* TItem::RemoveAndNext() {
    TItem* neighbour = Next();
    RemoveSelf();
    return neighbour;
}

TItem* TItem::RemoveAndPrevious() {
    TItem* neighbour = Previous();
    RemoveSelf();
    return neighbour;
}

// ---------------------------------------------------------------------------------------------
// TNamedItem

bool TNamedItem::InOrderBefore(const TItem& other) const {
    const TNamedItem* named = other.AsNamed();
    if (named == nullptr) {
        return false;
    }
    // char_traits<char> compares bytes as unsigned values, then the shorter name first.
    return name_.compare(named->name_) <= 0;
}

void TNamedItem::SetName(std::string_view name) {
    if (name == name_) {
        return;
    }
    name_.assign(name);
    TContainer* container = Container();
    if (container != nullptr && container->Sorted()) {
        container->Reposition(this);
    }
    NameChanged();
}

// ---------------------------------------------------------------------------------------------
// TCache

TCache::TCache(TFactory factory, int32_t initialCount) : factory_(factory) {
    Grow(std::max<int32_t>(initialCount, 0));
}

TCache::~TCache() {
    while (free_ != nullptr) {
        TItem* item = free_;
        free_ = item->next_;
        item->next_ = nullptr;
        delete item;
    }
}

void TCache::Grow(int32_t count) {
    if (factory_ == nullptr) {
        return;
    }
    for (int32_t i = 0; i < count; ++i) {
        std::unique_ptr<TItem> item = factory_();
        if (item == nullptr) {
            return;
        }
        Put(item.release());
        ++total_;
    }
}

TItem* TCache::Get() {
    if (free_ == nullptr) {
        Grow(std::max<int32_t>(total_ / 4, 4));
        if (free_ == nullptr) {
            return nullptr;
        }
    }
    TItem* item = free_;
    free_ = item->next_;
    item->next_ = nullptr;
    --freeCount_;
    return item;
}

void TCache::Put(TItem* item) {
    if (item == nullptr) {
        return;
    }
    if (item->container_ != nullptr && item->previous_ != nullptr) {
        item->container_->Detach(item);
    }
    item->container_ = nullptr;
    item->previous_ = nullptr;
    item->next_ = free_;
    free_ = item;
    ++freeCount_;
}

// ---------------------------------------------------------------------------------------------
// TContainer

TContainer::TContainer(bool sorted, bool ownsItems)
    : sorted_(sorted), ownsItems_(ownsItems), cursor_(&head_) {
    head_.next_ = &tail_;
    tail_.previous_ = &head_;
    head_.container_ = this;
}

TContainer::TContainer(bool sorted, TCache::TFactory factory, int32_t initialCount)
    : TContainer(sorted, false) {
    ownedCache_ = std::make_unique<TCache>(factory, initialCount);
    cache_ = ownedCache_.get();
}

TContainer::TContainer(bool sorted, TCache& sharedCache) : TContainer(sorted, false) {
    cache_ = &sharedCache;
}

TContainer::~TContainer() {
    Clear();
    head_.container_ = nullptr;
}

void TContainer::LinkBefore(TItem* item, TItem* walker) {
    item->previous_ = walker->previous_;
    item->next_ = walker;
    walker->previous_->next_ = item;
    walker->previous_ = item;
}

void TContainer::LinkAfter(TItem* item, TItem* walker) {
    LinkBefore(item, walker->next_);
}

void TContainer::Unlink(TItem* item) {
    item->previous_->next_ = item->next_;
    item->next_->previous_ = item->previous_;
    item->previous_ = nullptr;
    item->next_ = nullptr;
}

void TContainer::Detach(TItem* item) {
    if (cursor_ == item) {
        cursor_ = item->previous_;
    }
    Unlink(item);
    item->container_ = nullptr;
    --count_;
}

TItem* TContainer::Add(TItem* item, bool inOrder) {
    if (item == nullptr) {
        return nullptr;
    }
    if (item->container_ != nullptr && item->previous_ != nullptr) {
        item->container_->Detach(item);
    }
    ++count_;
    item->container_ = this;
    item->Attached();
    if (sorted_ && inOrder) {
        if (cursor_->InOrderBefore(*item)) {
            TItem* walker = cursor_->next_;
            while (walker->InOrderBefore(*item)) {
                walker = walker->next_;
            }
            LinkBefore(item, walker);
        } else {
            TItem* walker = cursor_->previous_;
            while (!walker->InOrderBefore(*item)) {
                walker = walker->previous_;
            }
            LinkAfter(item, walker);
        }
        cursor_ = item;
    } else {
        LinkBefore(item, &tail_);
    }
    return item;
}

TItem* TContainer::NewItem(bool inOrder) {
    if (cache_ == nullptr) {
        return nullptr;
    }
    return Add(cache_->Get(), inOrder);
}

void TContainer::Remove(TItem* item, bool freeIt) {
    if (!IsListed(item, this) || item->previous_ == nullptr) {
        return;
    }
    if (cursor_ == item) {
        cursor_ = item->previous_;
    }
    Unlink(item);
    item->Detached();
    item->container_ = nullptr;
    --count_;
    if (cache_ != nullptr) {
        cache_->Put(item);
    } else if (ownsItems_ && freeIt) {
        delete item;
    }
}

void TContainer::Clear() {
    if (count_ <= 0) {
        return;
    }
    cursor_ = tail_.previous_;
    while (cursor_ != &head_) {
        Remove(cursor_, true);
    }
}

TItem* TContainer::ItemAt(int32_t index) const {
    if (index < 1 || index > count_) {
        return nullptr;
    }
    TItem* item = head_.next_;
    for (int32_t i = 1; i < index; ++i) {
        item = item->next_;
    }
    return item;
}

int32_t TContainer::IndexOf(const TItem* item) const {
    if (!IsListed(item, this)) {
        return 0;
    }
    int32_t index = 1;
    for (const TItem* walker = head_.next_; walker != &tail_; walker = walker->next_, ++index) {
        if (walker == item) {
            return index;
        }
    }
    return 0;
}

TNamedItem* TContainer::Find(std::string_view name) {
    auto hit = [&](TItem* item) -> TNamedItem* {
        const TNamedItem* named = item->AsNamed();
        if (named != nullptr && named->Name() == name) {
            cursor_ = item;
            return const_cast<TNamedItem*>(named);
        }
        return nullptr;
    };
    auto scanForward = [&](TItem* from) -> TNamedItem* {
        for (TItem* walker = from; walker != &tail_; walker = walker->next_) {
            if (TNamedItem* found = hit(walker)) {
                return found;
            }
        }
        return nullptr;
    };
    auto scanBackward = [&](TItem* from) -> TNamedItem* {
        for (TItem* walker = from; walker != &head_; walker = walker->previous_) {
            if (TNamedItem* found = hit(walker)) {
                return found;
            }
        }
        return nullptr;
    };

    if (cursor_ == &head_) {
        return scanForward(head_.next_);
    }
    const TNamedItem* current = cursor_->AsNamed();
    if (current != nullptr && current->Name() == name) {
        return const_cast<TNamedItem*>(current);
    }
    TItem* from = cursor_;
    if (!sorted_ || current == nullptr) {
        if (TNamedItem* found = scanForward(from->next_)) {
            return found;
        }
        return scanBackward(from->previous_);
    }
    const int order = name.compare(current->Name());
    if (order > 0) {
        return scanForward(from->next_);
    }
    if (order < 0) {
        return scanBackward(from->previous_);
    }
    return nullptr;
}

bool TContainer::AllNamed() const {
    if (count_ == 0) {
        return false;
    }
    for (const TItem* walker = head_.next_; walker != &tail_; walker = walker->next_) {
        if (walker->AsNamed() == nullptr) {
            return false;
        }
    }
    return true;
}

bool TContainer::Reposition(TItem* item) {
    if (!IsListed(item, this) || item->previous_ == nullptr) {
        return false;
    }
    if (item->next_->InOrderBefore(*item)) {
        TItem* oldNext = item->next_;
        Unlink(item);
        TItem* walker = oldNext->next_;
        while (walker->InOrderBefore(*item)) {
            walker = walker->next_;
        }
        LinkBefore(item, walker);
        return true;
    }
    if (!item->previous_->InOrderBefore(*item)) {
        TItem* oldPrevious = item->previous_;
        Unlink(item);
        TItem* walker = oldPrevious->previous_;
        while (!walker->InOrderBefore(*item)) {
            walker = walker->previous_;
        }
        LinkAfter(item, walker);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// UTF-8

std::string Utf8Encode(uint32_t codePoint) {
    std::string out;
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint <= 0xFFFF) {
        out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint <= 0x10FFFF) {
        out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
    return out;
}

bool Utf8Decode(const char* bytes, std::ptrdiff_t available, int& length, uint32_t& codePoint) {
    codePoint = 0;
    if (bytes == nullptr || available <= 0) {
        length = 0;
        return false;
    }
    const auto lead = static_cast<unsigned char>(bytes[0]);
    int size = 0;
    uint32_t value = 0;
    if (lead < 0x80) {
        length = 1;
        codePoint = lead;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        size = 2;
        value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        size = 3;
        value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        size = 4;
        value = lead & 0x07;
    }
    if (size == 0 || available < size) {
        length = 1;
        return false;
    }
    for (int i = 1; i < size; ++i) {
        const auto next = static_cast<unsigned char>(bytes[i]);
        if ((next & 0xC0) != 0x80) {
            length = 1;
            return false;
        }
        value = (value << 6) | (next & 0x3F);
    }
    length = size;
    codePoint = value;
    return true;
}

namespace {

// Calls visit(offset, length, codePoint) for every valid sequence; stops when it returns false.
template <class F>
void ForEachChar(std::string_view s, F visit) {
    std::size_t offset = 0;
    while (offset < s.size()) {
        int length = 0;
        uint32_t codePoint = 0;
        const bool valid = Utf8Decode(
            s.data() + offset, static_cast<std::ptrdiff_t>(s.size() - offset), length, codePoint);
        if (valid && !visit(offset, static_cast<std::size_t>(length), codePoint)) {
            return;
        }
        offset += static_cast<std::size_t>(length);
    }
}

} // namespace

int32_t Utf8Length(std::string_view s) {
    int32_t count = 0;
    ForEachChar(s, [&](std::size_t, std::size_t, uint32_t) {
        ++count;
        return true;
    });
    return count;
}

uint32_t Utf8CharAt(std::string_view s, int32_t index) {
    if (index < 1) {
        return 0;
    }
    uint32_t result = 0;
    int32_t seen = 0;
    ForEachChar(s, [&](std::size_t, std::size_t, uint32_t codePoint) {
        if (++seen == index) {
            result = codePoint;
            return false;
        }
        return true;
    });
    return result;
}

std::string Utf8Copy(std::string_view s, int32_t start, int32_t count) {
    if (start < 1 || count < 1) {
        return std::string(s);
    }
    std::size_t begin = s.size();
    std::size_t end = s.size();
    int32_t seen = 0;
    const int64_t last = static_cast<int64_t>(start) + count - 1;
    ForEachChar(s, [&](std::size_t offset, std::size_t length, uint32_t) {
        ++seen;
        if (seen == start) {
            begin = offset;
        }
        if (seen == last) {
            end = offset + length;
            return false;
        }
        return true;
    });
    return begin < end ? std::string(s.substr(begin, end - begin)) : std::string();
}

std::u16string Utf8ToWide(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    ForEachChar(s, [&](std::size_t, std::size_t, uint32_t codePoint) {
        if (codePoint > 0x10FFFF) {
            out.push_back(u'\xFFFD');
        } else if (codePoint > 0xFFFF) {
            const uint32_t v = codePoint - 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(codePoint));
        }
        return true;
    });
    return out;
}

std::string TrimControls(std::string_view s) {
    auto control = [](char c) { return static_cast<unsigned char>(c) < 33; };
    std::size_t begin = 0;
    std::size_t end = s.size();
    while (begin < end && control(s[begin])) {
        ++begin;
    }
    while (end > begin && control(s[end - 1])) {
        --end;
    }
    return std::string(s.substr(begin, end - begin));
}

std::string CapitalizeFirst(std::string_view s) {
    std::string out(s);
    if (!out.empty() && out[0] >= 'a' && out[0] <= 'z') {
        out[0] = static_cast<char>(out[0] - 'a' + 'A');
    }
    return out;
}

std::string VersionText(int32_t version) {
    int64_t v = version;
    std::string sign;
    if (v < 0) {
        sign = "-";
        v = -v;
    }
    const int64_t minor = v % 100;
    return sign + std::to_string(v / 100) + (minor < 10 ? ".0" : ".") + std::to_string(minor);
}

} // namespace valdmoor
