#pragma once

#include "demo/CalibrationDemo.h"
#include "report/RecordingCanvas.h"
#include "report/TabularReport.h"
#include "support/TempDir.h"

#include <QTextStream>
#include <memory>

namespace tonva::test {

// A test as the demonstration measures it on the simulated audiometer of `profile`.
inline std::unique_ptr<AudTestRecord> measuredTest(const QString &profile)
{
    TempDir dir;
    demo::DemoOptions options;
    options.databasePath = dir.file(QStringLiteral("demo.sqlite"));
    options.profile = profile;
    QString printed;
    QTextStream out(&printed);
    demo::CalibrationDemo run(std::move(options), out);
    run.run();
    const auto &stored = run.outcome().storedRecord;
    return stored ? std::make_unique<AudTestRecord>(*stored) : nullptr;
}

// Prepares the document on the canvas and draws every page, as the printer would.
inline int printAll(CanvasDocument &document, RecordingCanvas &canvas)
{
    return renderDocument(canvas, document);
}

} // namespace tonva::test
