// ostrin FILE: installs one driver package and prints "FILE RESULT ERR" (RESULT non-zero when
// installed, ERR the system's error code right after the install). The exit status is 0 whatever
// the outcome: callers read the line. Only a missing argument is a usage error.
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#include <setupapi.h>

int wmain(int argc, wchar_t **argv)
{
    if (argc < 2) {
        std::fwprintf(stderr, L"usage: ostrin FILE.inf\n");
        return 2;
    }
    const BOOL installed = SetupCopyOEMInfW(argv[1], nullptr, SPOST_NONE, 0, nullptr, 0, nullptr, nullptr);
    const DWORD error = GetLastError();
    std::wprintf(L"%ls %d %lu\n", argv[1], installed ? 1 : 0, error);
    return 0;
}

#else
#include "DriverStore.h"

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: ostrin FILE\n  installs the package FILE into %s (OSTRIN_DRIVER_STORE names another folder)\n",
                     ostrin::driverStore().c_str());
        return 2;
    }
    const ostrin::InstallOutcome outcome = ostrin::installPackage(argv[1], ostrin::driverStore());
    std::printf("%s %d %d\n", argv[1], outcome.installed ? 1 : 0, outcome.error);
    return 0;
}
#endif
