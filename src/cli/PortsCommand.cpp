#include "app/Preferences.h"
#include "app/SlmPortChoice.h"
#include "cli/Commands.h"
#include "meter/PortDiscovery.h"
#include "platform/PreferenceStore.h"

#include <QTextStream>

namespace tonva::cli {

namespace {

struct PortsOptions
{
    std::vector<std::string> named;
    bool verifyOpen = false;
};

int runPorts(const PortsOptions &options)
{
    QStringList named;
    for (const std::string &path : options.named)
        named.append(QString::fromStdString(path));
    // The port the desktop program is set to is listed too, so a pseudo-terminal chosen there shows.
    const PreferenceStore store;
    const QString stored = store.read(preference::SLMPortName);
    if (!stored.isEmpty())
        named.append(stored);

    const std::vector<SSerInfo> ports = EnumerateSerialPorts(options.verifyOpen, named);
    QTextStream out(stdout);
    const SlmPortChoice choice(ports, PreferenceBlock());
    for (const SlmPortEntry &entry : choice.ports())
        out << entry.text << Qt::endl;
    return 0;
}

} // namespace

Command addPortsCommand(CLI::App &app)
{
    auto options = std::make_shared<PortsOptions>();
    CLI::App *sub = app.add_subcommand("ports", "List the serial ports the meter can be on, and 'sim'");
    sub->add_option("--port", options->named,
                    "A device the system does not report (a pseudo-terminal such as trellan-sim's, or "
                    "its link) to list as well; may be repeated");
    sub->add_flag("--verify-open", options->verifyOpen, "Leave out ports that cannot be opened now");
    return {sub, [options] { return runPorts(*options); }};
}

} // namespace tonva::cli
