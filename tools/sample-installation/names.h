// Word lists the sample's made-up content is drawn from, so that key and value names look like
// the ones a real installation holds.
#pragma once

#include <string>
#include <vector>

namespace kelvara::sample::names {

const std::vector<std::string>& Services();      // real Windows 10 service and driver names
const std::vector<std::string>& Vendors();       // software publishers
const std::vector<std::string>& ProductWords();  // words product names are made of
const std::vector<std::string>& Extensions();    // common file extensions, with the dot
const std::vector<std::string>& DeviceClasses(); // device setup class names
const std::vector<std::string>& Fonts();         // font family names
const std::vector<std::string>& Syllables();     // for made-up identifiers

}  // namespace kelvara::sample::names
