#include "sim/SceneControl.h"

#include "meter/Framing.h"
#include "platform/QtSerialPort.h"
#include "sim/SceneControlServer.h"
#include "sim/SoundJson.h"
#include "sim/UnixSocket.h"
#include "support/Processes.h"
#include "support/TempDir.h"

#include <QElapsedTimer>
#include <QFile>
#include <atomic>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace tonva;

namespace {

PureTone fmTone()
{
    PureTone tone;
    tone.frequencyHz = 1000.0;
    tone.splDb = 87.25;
    tone.harmonicsDb = {-40.0, -50.0, -60.0, -70.0};
    tone.fm = FrequencyModulation{5.0, 12.0};
    tone.pulse = PulseEnvelope{20.0, 25.0, 200.0, 250.0, -75.0};
    return tone;
}

// A server serving on its own thread, as trellan-sim's loop would.
struct ServedScene
{
    ServedScene()
    {
        path = dir.file(QStringLiteral("scene.sock"));
        QString error;
        EXPECT_TRUE(server.listen(path, &error)) << qPrintable(error);
        thread = std::thread([this] {
            while (!stop)
                server.serveFor(10);
        });
    }
    ~ServedScene()
    {
        stop = true;
        thread.join();
    }

    test::TempDir dir;
    QString path;
    AcousticScene scene;
    SceneControlServer server{scene};
    std::atomic<bool> stop = false;
    std::thread thread;
};

// A raw client for what SceneControl itself never sends.
int connectRaw(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address;
    EXPECT_TRUE(unixSocketAddress(QFile::encodeName(path), address));
    EXPECT_EQ(::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
    return fd;
}

QByteArray readAllFrom(int fd)
{
    QByteArray all;
    char buffer[256];
    ssize_t n;
    while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
        all.append(buffer, n);
    return all;
}

} // namespace

TEST(SoundJson, CarriesEverySoundIntact)
{
    const PureTone tone = fmTone();
    const std::optional<Sound> back = soundFromJson(soundToJson(tone));
    ASSERT_TRUE(back && std::holds_alternative<PureTone>(*back));
    const PureTone &t = std::get<PureTone>(*back);
    EXPECT_EQ(t.frequencyHz, 1000.0);
    EXPECT_EQ(t.splDb, 87.25);
    EXPECT_EQ(t.harmonicsDb, tone.harmonicsDb);
    ASSERT_TRUE(t.fm && t.pulse);
    EXPECT_EQ(t.fm->deviationPercent, 12.0);
    EXPECT_EQ(t.pulse->offMs, 250.0);
    EXPECT_EQ(t.pulse->offLevelDb, -75.0);
    EXPECT_FALSE(soundToJson(tone).contains('\n'));

    const BroadbandNoise noise = BroadbandNoise::white(40.0);
    EXPECT_EQ(std::get<BroadbandNoise>(*soundFromJson(soundToJson(noise))).bandLevels, noise.bandLevels);
    EXPECT_TRUE(std::holds_alternative<Silence>(*soundFromJson(soundToJson(Silence{}))));
    // A plain tone needs only its frequency and level.
    const auto plain = soundFromJson(R"({"sound":"tone","frequencyHz":250,"splDb":70})");
    ASSERT_TRUE(plain);
    EXPECT_FALSE(std::get<PureTone>(*plain).fm);
}

TEST(SoundJson, RefusesWhatTheSceneCouldNotTake)
{
    const char *refused[] = {
        R"({"sound":"tone","frequencyHz":1000})",
        R"({"sound":"tone","frequencyHz":0,"splDb":70})",
        R"({"sound":"tone","frequencyHz":1000,"splDb":1e308})",
        R"({"sound":"tone","frequencyHz":"1k","splDb":70})",
        R"({"sound":"tone","frequencyHz":1000,"splDb":70,"volume":11})",
        R"({"sound":"tone","frequencyHz":1000,"splDb":70,"fm":{"rateHz":5}})",
        R"({"sound":"tone","frequencyHz":1000,"splDb":70,"harmonicsDb":[-40]})",
        R"({"sound":"tone","frequencyHz":1000,"splDb":70,"pulse":{"riseMs":-1,"fallMs":1,"onMs":1,"offMs":1,"offLevelDb":-80}})",
        R"({"sound":"noise","bandLevelsDb":[1,2,3]})",
        R"({"sound":"silence","splDb":0})",
        R"({"sound":"thunder"})",
        R"(["tone"])",
        R"({"sound":)",
        "",
    };
    for (const char *json : refused) {
        QString error;
        EXPECT_FALSE(soundFromJson(json, &error)) << json;
        EXPECT_FALSE(error.isEmpty()) << json;
    }
}

TEST(SceneControl, SetsTheServedSceneAndReportsRefusals)
{
    ServedScene served;
    SceneControl control(served.path, 2000);
    QString error;
    ASSERT_TRUE(control.present(fmTone(), &error)) << qPrintable(error);
    ASSERT_TRUE(control.present(BroadbandNoise::flatPerBand(30.0), &error)) << qPrintable(error);
    EXPECT_EQ(served.server.sceneChanges(), 2);

    // The server checks what it is sent, whoever sent it.
    PureTone deafening;
    deafening.splDb = 500.0;
    EXPECT_FALSE(control.present(deafening, &error));
    EXPECT_TRUE(error.contains(QLatin1String("refused")) && error.contains(QLatin1String("splDb")))
        << qPrintable(error);
    // The connection stays usable after a refusal.
    ASSERT_TRUE(control.present(Silence{}, &error)) << qPrintable(error);
    EXPECT_EQ(served.server.sceneChanges(), 3);
}

TEST(SceneControl, ServerDropsAClientThatNeverEndsItsLine)
{
    ServedScene served;
    const int fd = connectRaw(served.path);
    const QByteArray flood(SceneControlServer::kMaxLineBytes + 10, 'x');
    ASSERT_EQ(::send(fd, flood.constData(), flood.size(), MSG_NOSIGNAL), flood.size());
    EXPECT_EQ(readAllFrom(fd), QByteArray("error: line too long\n"));
    ::close(fd);
}

TEST(SceneControl, ADeadChannelIsAnErrorNotAHang)
{
    test::TempDir dir;
    QString error;

    SceneControl nobody(dir.file(QStringLiteral("missing.sock")), 500);
    EXPECT_FALSE(nobody.present(Silence{}, &error));
    EXPECT_TRUE(error.contains(QLatin1String("Cannot reach"))) << qPrintable(error);

    // A socket whose owner never reads: the exchange ends at the time-out.
    AcousticScene scene;
    SceneControlServer deaf(scene);
    const QString path = dir.file(QStringLiteral("deaf.sock"));
    ASSERT_TRUE(deaf.listen(path));
    SceneControl control(path, 300);
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(control.present(Silence{}, &error));
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_TRUE(error.contains(QLatin1String("did not answer within 300 ms"))) << qPrintable(error);
}

TEST(SceneControl, ServerKeepsOtherFilesAndLiveSockets)
{
    test::TempDir dir;
    AcousticScene scene;
    QString error;

    const QString file = dir.file(QStringLiteral("notes.txt"));
    QFile notes(file);
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("keep me");
    notes.close();
    SceneControlServer onFile(scene);
    EXPECT_FALSE(onFile.listen(file, &error));
    EXPECT_TRUE(error.contains(QLatin1String("not a socket")));
    EXPECT_TRUE(QFile::exists(file));

    const QString path = dir.file(QStringLiteral("scene.sock"));
    {
        SceneControlServer first(scene);
        ASSERT_TRUE(first.listen(path));
        SceneControlServer second(scene);
        EXPECT_FALSE(second.listen(path, &error));
        EXPECT_TRUE(error.contains(QLatin1String("already served"))) << qPrintable(error);
    }
    EXPECT_FALSE(QFile::exists(path));
}

TEST(SceneControl, ChangesTheSceneOfARunningTrellanSim)
{
    test::TempDir dir;
    const QString socket = dir.file(QStringLiteral("control.sock"));
    test::SimProcess sim;
    ASSERT_TRUE(
        sim.start({QStringLiteral("--control"), socket, QStringLiteral("--speed"), QStringLiteral("100")}));

    QtSerialPort port(sim.device());
    ASSERT_EQ(port.open(), 0) << qPrintable(port.errorText());
    const auto overallLevel = [&port] {
        const QByteArray line = test::exchangeOnce(port, "R4,0");
        return line.left(framing::replyChecksumPosition(line)).trimmed().toDouble();
    };
    const double quiet = overallLevel();
    EXPECT_LT(quiet, 50.0);

    SceneControl control(socket);
    QString error;
    PureTone tone;
    tone.frequencyHz = 1000.0;
    tone.splDb = 94.0;
    ASSERT_TRUE(control.present(tone, &error)) << qPrintable(error);
    EXPECT_NEAR(overallLevel(), 94.0, 0.2);
    tone.splDb = 80.0;
    ASSERT_TRUE(control.present(tone, &error)) << qPrintable(error);
    EXPECT_NEAR(overallLevel(), 80.0, 0.2);
    ASSERT_TRUE(control.present(Silence{}, &error)) << qPrintable(error);
    EXPECT_NEAR(overallLevel(), quiet, 1.0);

    port.close();
    EXPECT_EQ(sim.closeInputAndWait(), 0);
    EXPECT_FALSE(QFile::exists(socket));
    // The simulator is gone: the next sound is an error, promptly.
    EXPECT_FALSE(control.present(tone, &error));
}
