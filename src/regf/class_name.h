// Class name: a key's class, UTF-16LE in a cell of its own.
#pragma once

#include <string>

#include "regf/cell.h"
#include "regf/hive_writer.h"
#include "regf/key_node.h"
#include "regf/names.h"

namespace kelvara::regf {

// The key's class name, empty when it has none; `cellOffset` receives the cell read (or
// kNoCell).
Result<std::u16string> ReadClassName(const CellSpace& cells, const KeyNode& node,
                                     std::uint32_t* cellOffset = nullptr);
// The same as stored (always UTF-16LE), without decoding it.
Result<StoredName> ReadStoredClassName(const CellSpace& cells, const KeyNode& node,
                                       std::uint32_t* cellOffset = nullptr);

// Writes the class name cell; kNoCell for an empty name.
Result<std::uint32_t> WriteClassName(HiveWriter& writer, StoredName className);

}  // namespace kelvara::regf
