#pragma once

#include <QTemporaryDir>
#include <QString>

namespace tonva::test {

// A scratch folder that disappears with the test.
class TempDir
{
public:
    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

} // namespace tonva::test
