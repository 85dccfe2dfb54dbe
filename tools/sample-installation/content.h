// Building blocks shared by the hive makers: made-up names, paths and data that look like a
// real installation's.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "random.h"

namespace kelvara::sample {

using Bytes = std::vector<std::uint8_t>;

// Joins the parts in order. C++ leaves the order of a call's arguments, and of the operands
// of a chain of +, to the compiler; braced lists are evaluated left to right, so parts that
// each draw from the generator draw in the same order with every compiler.
std::string Cat(std::initializer_list<std::string> parts);

// A pronounceable made-up word of `syllables` syllables, capitalised when asked.
std::string Word(Random& random, int syllables, bool capital = true);

// Draws names until one not yet in `taken` comes up (compared upper-cased, as the registry
// compares), records it and returns it.
std::string Unique(std::set<std::string>& taken, Random& random,
                   std::string (*make)(Random&));
bool Claim(std::set<std::string>& taken, const std::string& name);

std::string ProductName(Random& random);        // "Lumvel Sync Studio"
std::string Version(Random& random);            // "4.12.3051.2"
std::string DriverDate(Random& random);         // "6-21-2019" (m-d-yyyy, as INF files date)
std::string DecimalString(std::uint64_t n, int width);   // zero-padded
std::string HexString(std::uint64_t n, int width);       // upper-case, zero-padded

// Text as UTF-16LE bytes without a terminating zero, for binary values that embed paths.
Bytes Utf16(const std::string& ascii);

// A big binary value shaped like a cache of file records: a header and then, per record,
// a signature, a made-up path in UTF-16 and some random bytes, to about `size` bytes.
Bytes RecordCache(Random& random, const std::string& signature, std::size_t size);

}  // namespace kelvara::sample
