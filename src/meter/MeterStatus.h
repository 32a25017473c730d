#pragma once

namespace tonva::meter {

// Results of port and meter operations: 0 for success, a negative code per failure.
constexpr int kOk = 0;
constexpr int kPortFailed = -1;   // port could not be created or configured
constexpr int kBaudRejected = -3; // the open port refused a new rate
constexpr int kWriteFailed = -5;
constexpr int kPortUnavailable = -10; // bad port number, or the device is missing or busy
constexpr int kBlockFailed = -21;     // binary block incomplete, or the technician gave up
constexpr int kNoReply = -201;
constexpr int kFirmwareUnusable = -202;
constexpr int kBadChecksum = -205;
constexpr int kNotTrellan = -223;
constexpr int kRunStateTimeout = -400;
constexpr int kCancelled = 1000;

} // namespace tonva::meter
