#include "platform/BoundedFile.h"

#include "support/TempDir.h"

#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace tonva {
namespace {

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
