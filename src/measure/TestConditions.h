#pragma once

#include <QString>
#include <cstdint>

namespace tonva {

// The three fields of the "Temperature / Humidity" dialog as the technician typed them.
struct TestConditionsText
{
    QString temperature;
    QString pressure;
    QString humidity;
};

// The values of a test's conditions once the dialog accepted them.
struct TestConditions
{
    float temperature = 0; // degrees C
    float pressure = 0;    // inHg, mmHg or kPa, as entered
    std::int16_t humidity = 0;
};

// The verdict on OK: either the values to store, or the message after which the dialog stays open.
struct TestConditionsVerdict
{
    bool accepted = false;
    QString message;
    TestConditions conditions;
};

// The fields the dialog opens with.
TestConditionsText testConditionsText(const TestConditions &conditions);
// Humidity first, then temperature, then pressure; the first fault found is the one reported.
TestConditionsVerdict checkTestConditions(const TestConditionsText &text);

} // namespace tonva
