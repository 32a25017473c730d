#pragma once

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>

namespace tonva::test {

// Makes a file or folder read-only for this process while it lives, then writable again so the
// scratch folder can go. Root ignores permissions; the immutable attribute binds even root.
class ReadOnlyPath
{
public:
    explicit ReadOnlyPath(const QString &path) : m_path(path), m_permissions(QFile::permissions(path))
    {
        QFile::setPermissions(path, m_permissions & ~(QFileDevice::WriteOwner | QFileDevice::WriteGroup |
                                                      QFileDevice::WriteOther | QFileDevice::WriteUser));
        if (QFileInfo(path).isWritable())
            m_immutable = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0;
    }
    ~ReadOnlyPath()
    {
        if (m_immutable)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), m_path});
        QFile::setPermissions(m_path, m_permissions);
    }
    ReadOnlyPath(const ReadOnlyPath &) = delete;
    ReadOnlyPath &operator=(const ReadOnlyPath &) = delete;

    // False when neither way worked; the caller skips its test.
    bool holds() const { return !QFileInfo(m_path).isWritable(); }

private:
    QString m_path;
    QFileDevice::Permissions m_permissions;
    bool m_immutable = false;
};

} // namespace tonva::test
