#pragma once

namespace tonva {

// 0 normal, 1 alternate, 2 Australian: chosen by the marker file beside the program. Several
// measurements judge by it, so it lives with the record types rather than with the program.
enum class RegionalMode
{
    Normal = 0,
    Alternate = 1,
    Australian = 2
};

} // namespace tonva
