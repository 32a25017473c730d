#pragma once

#include <string>

namespace ostrin {

// What an install leaves: whether the package is in the store, and the system's error code
// (0 after a success).
struct InstallOutcome
{
    bool installed = false;
    int error = 0;
};

// The folder packages are installed into: OSTRIN_DRIVER_STORE when set, else udev's rules folder.
std::string driverStore();

// Copies the package file into `store` under its own name, through a temporary file in the store
// and a rename, so the store never holds a half-written package and a package installed onto
// itself keeps its content.
InstallOutcome installPackage(const std::string &package, const std::string &store);

} // namespace ostrin
