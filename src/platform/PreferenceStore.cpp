#include "platform/PreferenceStore.h"

namespace tonva {

namespace {
QString keyPath(const QString &section, const QString &key)
{
    return section + QLatin1Char('/') + key;
}
} // namespace

PreferenceStore::PreferenceStore()
    : m_settings(std::make_unique<QSettings>(QStringLiteral("Mervane"), QStringLiteral("Tonva")))
{}

PreferenceStore::PreferenceStore(const QString &iniFile)
    : m_settings(std::make_unique<QSettings>(iniFile, QSettings::IniFormat))
{}

int PreferenceStore::readInt(const QString &section, const QString &key, int defaultValue) const
{
    bool ok = false;
    const int value = m_settings->value(keyPath(section, key), defaultValue).toInt(&ok);
    return ok ? value : defaultValue;
}

QString PreferenceStore::readText(const QString &section, const QString &key,
                                  const QString &defaultValue) const
{
    return m_settings->value(keyPath(section, key), defaultValue).toString();
}

void PreferenceStore::writeInt(const QString &section, const QString &key, int value)
{
    m_settings->setValue(keyPath(section, key), value);
}

void PreferenceStore::writeText(const QString &section, const QString &key, const QString &value)
{
    m_settings->setValue(keyPath(section, key), value);
}

int PreferenceStore::read(const IntPreference &value) const
{
    return readInt(value.section, value.name, value.defaultValue);
}

QString PreferenceStore::read(const TextPreference &value) const
{
    const QString text = readText(value.section, value.name, value.defaultValue);
    return value.maxLength > 0 ? text.left(value.maxLength) : text;
}

void PreferenceStore::write(const IntPreference &value, int number)
{
    writeInt(value.section, value.name, number);
}

void PreferenceStore::write(const TextPreference &value, const QString &text)
{
    writeText(value.section, value.name, text);
}

void PreferenceStore::sync()
{
    m_settings->sync();
}

} // namespace tonva
