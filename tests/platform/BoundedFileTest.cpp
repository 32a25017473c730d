#include "platform/BoundedFile.h"

#include "support/TempDir.h"

#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace tonva {
namespace {

TEST(BoundedFile, ReadsUpToTheLimitAndRefusesOneByteMore)
{
    test::TempDir dir;
    const QString path = dir.file(QStringLiteral("data.csv"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(1024, 'x'));
    file.close();

    QString reason;
    const std::optional<QByteArray> whole = readWholeFile(path, 1024, &reason);
    ASSERT_TRUE(whole) << reason.toStdString();
    EXPECT_EQ(whole->size(), 1024);

    EXPECT_FALSE(readWholeFile(path, 1023, &reason));
    EXPECT_EQ(reason, QStringLiteral("it is larger than the limit of 1023 bytes"));
    EXPECT_EQ(byteCountText(64 * 1024), QStringLiteral("64 KB"));
    EXPECT_EQ(byteCountText(1024 * 1024), QStringLiteral("1 MB"));

    EXPECT_FALSE(readWholeFile(dir.file(QStringLiteral("missing.csv")), 1024, &reason));
    EXPECT_FALSE(reason.isEmpty());
}

TEST(BoundedFile, RefusesDevicesPipesAndFoldersWithoutWaitingOnThem)
{
    test::TempDir dir;
    const QString fifo = dir.file(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    QElapsedTimer timer;
    timer.start();
    for (const QString &path : {QStringLiteral("/dev/zero"), fifo, dir.path()}) {
        QString reason;
        EXPECT_FALSE(readWholeFile(path, 1024 * 1024, &reason)) << path.toStdString();
        EXPECT_EQ(reason, QStringLiteral("it is not a regular file")) << path.toStdString();
    }
    // Nobody writes to the pipe: opening it the ordinary way would wait for ever.
    EXPECT_LT(timer.elapsed(), 5000);
}

} // namespace
} // namespace tonva
