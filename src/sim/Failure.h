#pragma once

#include <QString>
#include <optional>

namespace tonva {

// Hands the reason for a failure to a caller that asked for it (`error` may be null) and returns
// false, so a check can end with `return fail(error, ...)`.
inline bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

// The same for functions whose result is optional.
inline std::nullopt_t failed(QString *error, const QString &text)
{
    fail(error, text);
    return std::nullopt;
}

} // namespace tonva
