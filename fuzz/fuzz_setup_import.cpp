// Feeds arbitrary bytes to the set-up file reader, with either delimiter, and maps whatever it
// accepts: nothing may read past its input or overflow a conversion, an accepted file holds at most
// 200 responses in ascending order, and every refusal has a message.
#include "inventory/SetupImport.h"

#include <cstdint>
#include <cstdlib>

using namespace tonva;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView text(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    for (const bool tab : {false, true}) {
        SetupFile file;
        const SetupImportStatus status = parseSetupText(text, tab, std::nullopt, file);
        if (!status.ok()) {
            if (setupImportMessage(status, tab).isEmpty())
                std::abort();
            continue;
        }
        if (file.responses.size() > static_cast<std::size_t>(setupimport::kMaxResponses))
            std::abort();
        for (std::size_t i = 1; i < file.responses.size(); ++i) {
            if (!(file.responses[i].first > file.responses[i - 1].first))
                std::abort();
        }
        SetupImportStatus mapped;
        importedEntry(file, MastoidCoupler::Kestin, nullptr, &mapped);
        if (!mapped.ok() && setupImportMessage(mapped, tab).isEmpty())
            std::abort();
    }
    return 0;
}
