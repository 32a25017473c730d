#pragma once

#include "ambient/AmbientLimits.h"
#include "model/BoothRecord.h"

#include <QList>
#include <QStringList>

namespace tonva {

class PreferenceStore;

// Which pages the booth window shows; the number is what "Amb Show Page" keeps.
enum class BoothPages
{
    Both = 0, // the three range pages and "OSHA Limits"
    Ansi = 1, // the range pages only
    Osha = 2, // "OSHA Limits" only
};

// How the pages are drawn: the technician's choices, kept in the preferences.
struct AmbientDisplay
{
    bool showFail = false;
    bool earsNotCovered = true;
    BoothPages pages = BoothPages::Both;

    static AmbientDisplay fromPreferences(const PreferenceStore &preferences);
    // Keeps Show Fail and the page choice; the column is the preference pages' business.
    void save(PreferenceStore &preferences) const;
};

// One page of the booth survey as plain text cells, so the window, the command line and the tests
// all show the same strings.
struct AmbientPage
{
    QString title;
    QStringList columns;
    QList<QStringList> rows;
    // With Show Fail on, rows whose level exceeds a limit of the page's set.
    QList<bool> failed;

    // The page as a text table under its title, columns right-aligned.
    QString text() const;
};

// "%.1f", or "----" for a band not measured or below anything the meter can read.
QString ambientLevelText(float level);

AmbientPage ambientRangePage(const BoothRecord &record, AmbientRange range, const AmbientDisplay &display);
AmbientPage ambientOshaPage(const BoothRecord &record, const AmbientDisplay &display);
// The pages `display` asks for, in the window's order.
QList<AmbientPage> ambientPages(const BoothRecord &record, const AmbientDisplay &display);

} // namespace tonva
