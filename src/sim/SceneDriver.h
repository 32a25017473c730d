#pragma once

#include "sim/AcousticScene.h"

#include <QString>

namespace tonva {

// Where a simulated audiometer sends its output: the scene beside it in this process, or the
// scene of a trellan-sim in another process (SceneControl).
class SceneDriver
{
public:
    virtual ~SceneDriver() = default;

    // Makes `sound` what the meter's microphone hears. False, with the reason, when it could not.
    virtual bool present(const Sound &sound, QString *error = nullptr) = 0;
};

class LocalSceneDriver final : public SceneDriver
{
public:
    explicit LocalSceneDriver(AcousticScene &scene) : m_scene(scene) {}

    bool present(const Sound &sound, QString *) override
    {
        m_scene.setSound(sound);
        return true;
    }

private:
    AcousticScene &m_scene;
};

} // namespace tonva
