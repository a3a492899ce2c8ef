#include "app/EngineTaggedText.h"

#include "app/EngineClasses.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace valdmoor {

namespace {

constexpr std::size_t NameCapacity = 512;
constexpr std::size_t ValueCapacity = 8192;

// A fixed buffer: whatever does not fit is dropped, so no document can make it grow.
template <std::size_t Capacity>
class TBuffer {
public:
    void Clear() { size_ = 0; }
    bool Empty() const { return size_ == 0; }
    unsigned char Last() const {
        return size_ > 0 ? static_cast<unsigned char>(bytes_[size_ - 1]) : 0;
    }
    bool EndsWith2(char c) const {
        return size_ >= 2 && bytes_[size_ - 1] == c && bytes_[size_ - 2] == c;
    }
    void DropLast() {
        if (size_ > 0) {
            --size_;
        }
    }
    // A character goes in whole or not at all.
    void Append(const char* bytes, std::size_t length) {
        if (length <= Capacity - size_) {
            std::memcpy(bytes_.data() + size_, bytes, length);
            size_ += length;
        }
    }
    void Append(char c) { Append(&c, 1); }
    // The content without bytes of 32 or below at either end.
    std::string_view Finished() const {
        std::size_t begin = 0;
        std::size_t end = size_;
        while (begin < end && static_cast<unsigned char>(bytes_[begin]) <= 32) {
            ++begin;
        }
        while (end > begin && static_cast<unsigned char>(bytes_[end - 1]) <= 32) {
            --end;
        }
        return std::string_view(bytes_.data() + begin, end - begin);
    }

private:
    std::array<char, Capacity> bytes_{};
    std::size_t size_ = 0;
};

class TTaggedTextReader {
public:
    TTaggedTextReader(std::string_view text, std::string_view rootTag, std::string_view itemTag,
                      TTaggedTextCallback callback, void* data)
        : text_(text), rootTag_(rootTag), itemTag_(itemTag), callback_(callback), data_(data) {
        Decode();
    }

    bool Run();

private:
    bool AtEnd() const { return length_ == 0; }

    // Decodes the character at the position; bytes that start no valid sequence are skipped.
    void Decode() {
        while (position_ < text_.size()) {
            int length = 0;
            uint32_t codePoint = 0;
            if (Utf8Decode(text_.data() + position_,
                           static_cast<std::ptrdiff_t>(text_.size() - position_), length,
                           codePoint)) {
                length_ = static_cast<std::size_t>(length);
                current_ = codePoint;
                return;
            }
            ++position_;
        }
        length_ = 0;
        current_ = 0;
    }

    void Advance() {
        if (AtEnd()) {
            return;
        }
        previous_ = current_;
        position_ += length_;
        Decode();
    }

    void SkipTo(uint32_t c) {
        while (!AtEnd() && current_ != c) {
            Advance();
        }
    }

    void SkipToQuote() {
        while (!AtEnd() && current_ != '"' && current_ != '\'') {
            Advance();
        }
    }

    void SkipWhiteSpace() {
        while (!AtEnd() && current_ <= 32) {
            Advance();
        }
    }

    template <std::size_t Capacity>
    void ReadInto(TBuffer<Capacity>& buffer, uint32_t stop, bool nameMode);

    template <std::size_t Capacity>
    void ReadEntity(TBuffer<Capacity>& buffer);

    // Collects an item's text up to the next tag, appending to what was collected before.
    void CollectValue() { ReadInto(value_, '<', false); }

    void OpenTag();
    void CloseTag();

    std::string_view text_;
    std::string_view rootTag_;
    std::string_view itemTag_;
    TTaggedTextCallback callback_;
    void* data_;

    std::size_t position_ = 0;
    std::size_t length_ = 0;
    uint32_t current_ = 0;
    uint32_t previous_ = 0;

    bool inRoot_ = false;
    bool inItem_ = false;
    bool inSkipped_ = false;
    int64_t depth_ = 0;
    int64_t skippedDepth_ = 0;

    TBuffer<NameCapacity> name_;
    TBuffer<NameCapacity> id_;
    TBuffer<ValueCapacity> value_;
};

template <std::size_t Capacity>
void TTaggedTextReader::ReadEntity(TBuffer<Capacity>& buffer) {
    Advance(); // past "&"
    char decoded = 0;
    switch (current_) {
        case 'l':
            decoded = '<';
            break;
        case 'g':
            decoded = '>';
            break;
        case 'q':
            decoded = '"';
            break;
        case 'a':
            Advance();
            if (current_ == 'm') {
                decoded = '&';
            } else if (current_ == 'p') {
                decoded = '\'';
            }
            break;
        default:
            break;
    }
    SkipTo(';');
    if (AtEnd()) {
        return;
    }
    // Unknown and numeric entities vanish entirely.
    if (decoded != 0) {
        buffer.Append(decoded);
    }
    Advance();
}

template <std::size_t Capacity>
void TTaggedTextReader::ReadInto(TBuffer<Capacity>& buffer, uint32_t stop, bool nameMode) {
    while (!AtEnd() && current_ != stop && !(nameMode && current_ <= 32)) {
        const uint32_t c = current_;
        if (c == '&') {
            ReadEntity(buffer);
            continue;
        }
        if (c == ' ') {
            // Runs of blanks become one, and a blank after a line break goes.
            if (buffer.Empty() || buffer.Last() > 32) {
                buffer.Append(' ');
            }
        } else if (c == '\r' || (c == '\n' && previous_ != '\r')) {
            // CR LF and LF both become one LF; at most one empty line survives.
            if (buffer.Last() == ' ') {
                buffer.DropLast();
            }
            if (!buffer.EndsWith2('\n')) {
                buffer.Append('\n');
            }
        } else if (c > 32) {
            buffer.Append(text_.data() + position_, length_);
        }
        Advance();
    }
}

void TTaggedTextReader::CloseTag() {
    SkipTo('>');
    if (inItem_ && depth_ == 2) {
        const std::string_view id = id_.Finished();
        if (!id.empty()) {
            callback_(data_, id, value_.Finished());
        }
        inItem_ = false;
        depth_ = 1;
    } else if (inRoot_ && depth_ == 1) {
        inRoot_ = false;
        depth_ = 0;
    } else if (inSkipped_ && depth_ == skippedDepth_) {
        inSkipped_ = false;
        --depth_;
        if (inItem_) {
            Advance();
            CollectValue();
        }
    } else if (inSkipped_ && depth_ > skippedDepth_) {
        // Elements nested inside a skipped one close as they opened, so such documents still
        // end complete.
        --depth_;
    }
}

void TTaggedTextReader::OpenTag() {
    name_.Clear();
    ReadInto(name_, '>', true);
    const std::string_view name = name_.Finished();

    if (inRoot_ && !inItem_ && !inSkipped_ && depth_ == 1 && name == itemTag_) {
        id_.Clear();
        SkipWhiteSpace();
        while (!AtEnd() && current_ != '>' && current_ != '/') {
            name_.Clear();
            ReadInto(name_, '=', true);
            const bool isId = name_.Finished() == "id";
            SkipToQuote();
            const uint32_t quote = current_;
            Advance();
            if (isId) {
                id_.Clear();
                ReadInto(id_, quote, false);
            } else {
                SkipTo(quote);
            }
            Advance();
            SkipWhiteSpace();
        }
        SkipTo('>');
        if (previous_ == '/') {
            return;
        }
        depth_ = 2;
        inItem_ = true;
        Advance();
        value_.Clear();
        CollectValue();
        return;
    }

    SkipTo('>');
    const bool selfClosing = previous_ == '/';
    if (depth_ == 0 && !inSkipped_ && name == rootTag_) {
        if (!selfClosing) {
            depth_ = 1;
            inRoot_ = true;
        }
        return;
    }
    if (!selfClosing) {
        ++depth_;
        if (!inSkipped_) {
            inSkipped_ = true;
            skippedDepth_ = depth_;
        }
    } else if (inItem_ && !inSkipped_) {
        // A line-break tag and the like inside an item: the text after it still counts.
        Advance();
        CollectValue();
    }
}

bool TTaggedTextReader::Run() {
    while (!AtEnd()) {
        SkipTo('<');
        Advance();
        if (AtEnd()) {
            break;
        }
        if (current_ == '/') {
            CloseTag();
        } else if (current_ == '!' || current_ == '?') {
            SkipTo('>');
            if (inItem_ && !inSkipped_ && !AtEnd()) {
                Advance();
                CollectValue();
            }
        } else {
            OpenTag();
        }
    }
    return !inRoot_ && !inItem_ && !inSkipped_ && depth_ == 0;
}

} // namespace

bool ReadTaggedText(std::string_view text, std::string_view rootTag, std::string_view itemTag,
                    TTaggedTextCallback callback, void* data) {
    if (text.empty() || callback == nullptr) {
        return false;
    }
    TTaggedTextReader reader(text, rootTag, itemTag, callback, data);
    return reader.Run();
}

} // namespace valdmoor
