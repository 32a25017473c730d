#pragma once

#include "platform/Cp1252.h"

#include <QString>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace tonva {

// Stored records keep their texts in fixed, NUL-terminated single-byte arrays. These helpers are the
// only way code writes them: a text that is too long is cut, the array is always terminated, and the
// bytes after the terminator are zeroed so that equal records have equal images.

// The text of a field, up to its terminator or its end when a damaged image has none.
template<std::size_t N> std::string_view fixedText(const char (&field)[N])
{
    const void *end = std::memchr(field, '\0', N);
    return {field, end ? static_cast<std::size_t>(static_cast<const char *>(end) - field) : N};
}

template<std::size_t N> void setFixedText(char (&field)[N], std::string_view text)
{
    static_assert(N > 0);
    const std::size_t length = text.size() < N - 1 ? text.size() : N - 1;
    if (length > 0)
        std::memcpy(field, text.data(), length);
    std::memset(field + length, 0, N - length);
}

template<std::size_t N> bool fixedTextIsEmpty(const char (&field)[N])
{
    return field[0] == '\0';
}

// The text without leading and trailing blanks (blanks, tabs and line ends).
std::string_view trimmedText(std::string_view text);

// Interface boundary: stored bytes are code page 1252.
template<std::size_t N> QString displayText(const char (&field)[N])
{
    const std::string_view text = fixedText(field);
    return Cp1252::toUnicode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
}

template<std::size_t N> void setDisplayText(char (&field)[N], const QString &text)
{
    const QByteArray bytes = Cp1252::fromUnicode(text);
    setFixedText(field, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

} // namespace tonva
