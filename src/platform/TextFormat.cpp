#include "platform/TextFormat.h"

#include "platform/Cp1252.h"

#include <QByteArray>
#include <cstdarg>
#include <cstdio>

#if defined(Q_OS_UNIX)
#include <clocale>
#include <locale.h>
#endif

namespace tonva {

namespace {

#if defined(Q_OS_UNIX)
// Switches this thread to the C numeric locale for the lifetime of the object. The locale is made
// once: formatting runs for every cell of every list.
class CNumericLocale
{
public:
    CNumericLocale() : m_previous(cLocale() ? uselocale(cLocale()) : nullptr) {}
    ~CNumericLocale()
    {
        if (m_previous)
            uselocale(m_previous);
    }
    CNumericLocale(const CNumericLocale &) = delete;
    CNumericLocale &operator=(const CNumericLocale &) = delete;

private:
    static locale_t cLocale()
    {
        static const locale_t c = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
        return c;
    }

    locale_t m_previous;
};
#else
struct CNumericLocale
{};
#endif

} // namespace

QString formatText(const char *format, ...)
{
    const CNumericLocale cLocale;
    va_list arguments;
    va_start(arguments, format);
    va_list measure;
    va_copy(measure, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    QByteArray text;
    if (length > 0) {
        text.resize(length);
        std::vsnprintf(text.data(), static_cast<size_t>(length) + 1, format, arguments);
    }
    va_end(arguments);
    return Cp1252::toUnicode(text);
}

} // namespace tonva
