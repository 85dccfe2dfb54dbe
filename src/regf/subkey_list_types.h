// What the four subkey list forms have in common: a two-letter signature and an element
// count, then the elements.
#pragma once

#include <cstdint>
#include <string>

#include "regf/byte_order.h"
#include "regf/names.h"

namespace kelvara::regf {

#pragma pack(push, 1)
struct SubkeyListHeader {
    Signature<2> signature;   // "li", "lf", "lh" or "ri"
    le16 number_of_elements;
};
#pragma pack(pop)
static_assert(sizeof(SubkeyListHeader) == 4);

enum class LeafForm { IndexLeaf, FastLeaf, HashLeaf };

// One element of a leaf as read: the key node and, for "lf" and "lh", its hint or hash.
struct SubkeyElement {
    std::uint32_t keyNodeOffset = 0;
    LeafForm form = LeafForm::IndexLeaf;
    std::uint32_t check = 0;
    std::uint32_t leafOffset = 0;
};

// A subkey's name and the hash its "lh" element gets: the hash Windows wrote, where the input had
// a sound one, else NameHash's.
struct SubkeyName {
    SubkeyName() = default;
    SubkeyName(StoredName name) : name(name), hash(NameHash(name)) {}   // NOLINT: a name is its own hash's source
    SubkeyName(StoredName name, std::uint32_t hash) : name(name), hash(hash) {}

    StoredName name;   // its bytes outlive the list's writing
    std::uint32_t hash = 0;
};

// One subkey to be written into a list, in the list's (sorted) order.
struct SubkeyEntry {
    std::uint32_t keyNodeOffset = 0;
    SubkeyName name;
};

}  // namespace kelvara::regf
