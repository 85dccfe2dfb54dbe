// Key nodes and key values are laid out alike: a fixed header that starts with a two-letter
// signature, then a name whose length the header gives. One checked reader serves both.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "regf/byte_order.h"
#include "regf/cell.h"
#include "regf/errors.h"

namespace kelvara::regf {

// Reads the header of the cell at `offset` into `header` and its name into `name`; `structure`
// ("key node") and `signature` ("nk") name what is expected there.
template <class Header>
Status ReadNamedCell(const CellSpace& cells, std::uint32_t offset, const char* structure, const char* signature,
                     le16 Header::*nameLength, Header& header, ByteSpan& name) {
    Cell cell;
    if (auto found = cells.Allocated(offset, structure, cell); !found) return found;
    if (cell.data.size() < sizeof(Header))
        return CellError(structure, offset, "expected at least " + std::to_string(sizeof(Header)) +
                                                " bytes, found a cell of " + std::to_string(cell.size));
    std::memcpy(&header, cell.data.data(), sizeof(Header));
    if (!header.signature.Is(signature))
        return CellError(structure, offset, "expected signature \"" + std::string(signature) + "\", found \"" +
                                                std::string(header.signature.chars, 2) + "\"");
    const std::uint16_t length = header.*nameLength;
    auto bytes = cell.data.Sub(sizeof(Header), length);
    if (!bytes)
        return CellError(structure, offset, "name of " + std::to_string(length) + " bytes runs past the end of its cell");
    name = *bytes;
    return Done{};
}

}  // namespace kelvara::regf
