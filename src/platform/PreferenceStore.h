#pragma once

#include "platform/PreferenceIndex.h"

#include <QSettings>
#include <QString>
#include <memory>

namespace tonva {

// The per-user preference store with its two sections, "Preferences" and "Settings".
// Every read names its default, so a missing or unreadable value never stops the program.
class PreferenceStore
{
public:
    // The user's own store.
    PreferenceStore();
    // A store in an INI file of its own (tests, portable set-ups).
    explicit PreferenceStore(const QString &iniFile);

    int readInt(const QString &section, const QString &key, int defaultValue) const;
    QString readText(const QString &section, const QString &key, const QString &defaultValue) const;
    void writeInt(const QString &section, const QString &key, int value);
    void writeText(const QString &section, const QString &key, const QString &value);

    // The values of the index, with the default and length limit it gives them.
    int read(const IntPreference &value) const;
    bool readFlag(const IntPreference &value) const { return read(value) != 0; }
    QString read(const TextPreference &value) const;
    void write(const IntPreference &value, int number);
    void writeFlag(const IntPreference &value, bool on) { write(value, on ? 1 : 0); }
    void write(const TextPreference &value, const QString &text);

    void sync();

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace tonva
