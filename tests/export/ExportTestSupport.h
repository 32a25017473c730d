#pragma once

#include "demo/CalibrationDemo.h"
#include "export/DataExport.h"
#include "model/FixedText.h"

#include <QByteArrayList>
#include <QTemporaryDir>
#include <QTextStream>
#include <map>
#include <memory>

namespace tonva::test {

// A test measured and stored by the demonstration, read back from its database; one per profile
// for the whole program, since the demonstration is the slow part.
inline const AudTestRecord &demoTest(const QString &profile)
{
    static std::map<QString, std::unique_ptr<AudTestRecord>> tests;
    static QTemporaryDir folder;
    std::unique_ptr<AudTestRecord> &test = tests[profile];
    if (!test) {
        demo::DemoOptions options;
        options.databasePath = folder.filePath(profile + QStringLiteral(".sqlite"));
        options.profile = profile;
        QString printed;
        QTextStream out(&printed);
        demo::CalibrationDemo calibration(options, out);
        calibration.run();
        test = calibration.outcome().storedRecord ? std::make_unique<AudTestRecord>(*calibration.outcome().storedRecord)
                                                  : std::make_unique<AudTestRecord>();
    }
    return *test;
}

// The records of a text export, each without its closing CR.
inline QByteArrayList exportedLines(const QByteArray &bytes)
{
    QByteArrayList lines = bytes.split('\r');
    lines.removeLast(); // after the last CR
    return lines;
}

inline QByteArrayList exportedLines(const AudTestRecord &record, char delimiter = ',', ExportContext context = {})
{
    return exportedLines(encodeExportRecords(audiometerExportRecords(record, context), delimiter));
}

} // namespace tonva::test
