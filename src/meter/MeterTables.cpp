#include "meter/MeterTables.h"

namespace tonva::meter {

namespace {
struct InstrumentName
{
    const char *code;
    const char *file;
};

constexpr std::array<InstrumentName, kInstrumentCount> kInstruments = {{
    {"SSA", "SLM&RTA.SSA"},
    {"ISM", "SLM.ISM"},
    {"LOG", "Logging.LOG"},
    {"ENV", "Env.ENV"},
    {"RTA", "RT60-A"},
    {"FFT", "FFT.FFT"},
    {"AUD", "AudTest.AUD"},
    {"INT", "Int.INT"},
    {"VIB", "Vib.VIB"},
    {"TAL", "TA-LARM.TAL"},
}};

const InstrumentName *find(MeterInstrument instrument)
{
    const int n = static_cast<int>(instrument);
    return n >= 1 && n <= kInstrumentCount ? &kInstruments[static_cast<size_t>(n - 1)] : nullptr;
}
} // namespace

QByteArray instrumentCode(MeterInstrument instrument)
{
    const InstrumentName *name = find(instrument);
    return name ? QByteArray(name->code) : QByteArray();
}

QByteArray instrumentFile(MeterInstrument instrument)
{
    const InstrumentName *name = find(instrument);
    return name ? QByteArray(name->file) : QByteArray();
}

MeterInstrument instrumentFromReply(const QByteArray &reply)
{
    for (int n = 1; n <= kInstrumentCount; ++n) {
        if (reply.startsWith(kInstruments[static_cast<size_t>(n - 1)].code))
            return static_cast<MeterInstrument>(n);
    }
    return MeterInstrument::Unknown;
}

} // namespace tonva::meter
