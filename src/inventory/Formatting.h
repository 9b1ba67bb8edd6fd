#pragma once
// Texts of sizes and use counts, as the list and the details pane show them.
#include <cstdint>
#include <string>

// "999 B", "0.98 KB", "48.8 KB", "146 KB", "1 MB", "4 GB"...; empty for 0.
std::string FormatSize(uint64_t bytes);

// "rarely (2)", "occasionally (3)", "frequently (11)".
std::string FormatUseCount(uint32_t count);
