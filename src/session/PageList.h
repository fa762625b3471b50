#pragma once
#include <cstdint>
#include <vector>

// An ordered list of 1-based page numbers of the source document.
// Order matters (it is the order of the output file) and duplicates are kept.
using PageList = std::vector<std::int32_t>;
