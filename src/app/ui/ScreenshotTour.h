#pragma once

#include <QStringList>

namespace tonva {

class CMainFrame;

// Renders the main window with each view in turn, the About box and the message window into
// `folder` as PNG files (the README's pictures). Returns the files written; empty when the folder
// cannot be written.
QStringList renderScreenshots(CMainFrame &frame, const QString &folder);

} // namespace tonva
