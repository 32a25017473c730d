#include "sim/AudiometerProfile.h"
#include "sim/TrellanProfile.h"
#include "support/TempDir.h"

#include <QFile>
#include <gtest/gtest.h>

namespace tonva {
namespace {

QString writeFile(const test::TempDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.file(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

// Valid JSON padded with blanks up to `size` bytes: only its size can make it unwelcome.
QByteArray paddedProfile(QByteArray json, qint64 size)
{
    json.insert(1, QByteArray(size - json.size(), ' '));
    return json;
}

TEST(ProfileFile, BothProfilesRefuseAnOversizedFileNamingItAndTheLimit)
{
    static_assert(AudiometerProfile::kMaxFileBytes == 1024 * 1024 &&
                  TrellanProfile::kMaxFileBytes == 1024 * 1024);
    test::TempDir dir;
    const QString atLimit = writeFile(dir, QStringLiteral("limit.json"),
                                      paddedProfile(R"({"speechLevelErrorDb": 1.5})", 1024 * 1024));
    const QString over = writeFile(dir, QStringLiteral("over.json"), paddedProfile("{}", 1024 * 1024 + 1));

    QString error;
    const std::optional<AudiometerProfile> audiometer = AudiometerProfile::load(atLimit, &error);
    ASSERT_TRUE(audiometer) << qPrintable(error);
    EXPECT_EQ(audiometer->speechLevelErrorDb, 1.5);

    EXPECT_FALSE(AudiometerProfile::load(over, &error));
    EXPECT_EQ(
        error,
        QStringLiteral("Cannot read audiometer profile %1: it is larger than the limit of 1 MB").arg(over));
    EXPECT_FALSE(TrellanProfile::fromFile(over, &error));
    EXPECT_EQ(error, QStringLiteral("Cannot read profile %1: it is larger than the limit of 1 MB").arg(over));
}

} // namespace
} // namespace tonva
