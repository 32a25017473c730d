#pragma once

#include <QString>

namespace tonva {

// printf-style formatting exactly as the C library does it, in the C locale whatever the user's
// locale: numbers in messages, reports and exports must not change with the machine, and ties
// round as C rounds them ("%.1f" of 87.25 is "87.2"), which QString::asprintf does not.
QString formatText(const char *format, ...)
#if defined(__GNUC__) || defined(__clang__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

} // namespace tonva
