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

// Why a named cell was refused. Kept out of line: the read stays small and fast.
[[gnu::cold]] Error NamedCellTooSmall(const char* structure, std::uint32_t offset, std::size_t needed, std::uint32_t size);
[[gnu::cold]] Error NamedCellWrongSignature(const char* structure, std::uint32_t offset, const char* expected,
                                            const char found[2]);
[[gnu::cold]] Error NamedCellNameTooLong(const char* structure, std::uint32_t offset, std::uint16_t length);

// Reads the header of the cell at `offset` into `header` and its name into `name`; `structure`
// ("key node") and `signature` ("nk") name what is expected there.
template <class Header>
Status ReadNamedCell(const CellSpace& cells, std::uint32_t offset, const char* structure, const char* signature,
                     le16 Header::*nameLength, Header& header, ByteSpan& name) {
    Cell cell;
    if (auto found = cells.Allocated(offset, structure, cell); !found) return found;
    if (cell.data.size() < sizeof(Header)) [[unlikely]]
        return NamedCellTooSmall(structure, offset, sizeof(Header), cell.size);
    std::memcpy(&header, cell.data.data(), sizeof(Header));
    if (!header.signature.Is(signature)) [[unlikely]]
        return NamedCellWrongSignature(structure, offset, signature, header.signature.chars);
    const std::uint16_t length = header.*nameLength;
    auto bytes = cell.data.Sub(sizeof(Header), length);
    if (!bytes) [[unlikely]]
        return NamedCellNameTooLong(structure, offset, length);
    name = *bytes;
    return Done{};
}

}  // namespace kelvara::regf
