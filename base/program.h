// Fixed identity of the program and the two lists that decide what it reads
// and writes. Everything here is constant for the life of the process.
#pragma once

#include <string>
#include <vector>

namespace pictavo {

inline constexpr const char* kDisplayName = "Pictavo";
inline constexpr const char* kBaseName = "pictavo";
inline constexpr const char* kMakerWord = "Corvane";
// The desktop's name for the program: its entry, icon and metainfo files,
// and the application id the window reports (Wayland's app_id).
inline constexpr const char* kDesktopId = "com.corvane.Pictavo";
inline constexpr int kVersionNumber = 280;
// The maker's web site, ending in "/": the product page, the converter
// search and the update information live below it.
inline constexpr const char* kMakerSite = "http://www.corvane.com/";
inline constexpr const char* kSupportAddress = "support@corvane.com";

// "2.8" for 280, "2.8.1" for 281: a dot after the first and second digit,
// and a trailing ".0" dropped.
std::string FormatVersion(int number);

// Display name and version, e.g. "Pictavo 2.8".
std::string ProgramTitle();

// The product's page on the maker's site, where new versions are offered.
std::string ProductPageAddress();

// Input format groups the program reads; the output formats it writes are
// marked in their descriptions (settings/formats.h, OutputExtensions).
const std::vector<std::string>& InputGroups();

}  // namespace pictavo
