// Reader of the small XML-like documents that hold language settings and script texts: one
// root element with a flat list of items, each with an id attribute and a text value.
#pragma once

#include <string_view>

namespace valdmoor {

// Receives one item. Id and Value are only valid during the call.
using TTaggedTextCallback = void (*)(void* data, std::string_view id, std::string_view value);

// Reads Text in one pass and calls Callback for every complete item with a non-empty id, in
// document order. Values have their white space normalised, entities decoded and both ends
// trimmed; over-long names and values are truncated, never rejected. Unknown elements are
// skipped with their content. Returns false at once for an empty text or a missing
// callback; otherwise true when no element is left open at the end. Never reads or writes
// outside Text, whatever it holds.
bool ReadTaggedText(std::string_view text, std::string_view rootTag, std::string_view itemTag,
                    TTaggedTextCallback callback, void* data);

} // namespace valdmoor
