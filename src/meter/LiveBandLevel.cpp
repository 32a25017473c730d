#include "meter/LiveBandLevel.h"

#include "meter/MeterRecords.h"
#include "meter/MeterStatus.h"
#include "meter/SlmFileList.h"
#include "meter/SlmLink.h"

namespace tonva {

int ReadLiveBandLevel(SlmLink &link, SlmFileList &fileList, int band, double &level)
{
    if (band < 0 || band >= meter::kBandCount)
        return meter::kBlockFailed;
    int status = link.WaitRunState('R');
    if (status != meter::kOk)
        return status;
    // Read every time: someone may have recalibrated the meter since the last reading.
    const float offset = static_cast<float>(link.GetCalOffset());
    if (link.status() != meter::kOk)
        return link.status();
    QByteArray record;
    status = fileList.BlockTransfer("&R1", record, meter::kThirdOctaveRecordSize, 5,
                                    meter::isPlausibleThirdOctaveRecord);
    if (status != meter::kOk)
        return status;
    const auto levels = meter::decodeThirdOctaveRecord(record, offset);
    if (!levels)
        return meter::kBlockFailed;
    level = (*levels)[static_cast<std::size_t>(band)];
    return meter::kOk;
}

std::optional<double> readLiveBandLevelAsking(SlmLink &link, SlmFileList &fileList, int band)
{
    double level = 0.0;
    while (ReadLiveBandLevel(link, fileList, band, level) != meter::kOk) {
        const Answer answer = link.interaction().ask(
            QStringLiteral(
                "Unable to retrieve data from the Trellan.\n Verify that it is powered on, stable, and "
                "connected to the PC. Then press OK!"),
            Buttons::OkCancel);
        if (answer == Answer::Cancel)
            return std::nullopt;
        link.Ping();
    }
    return level;
}

} // namespace tonva
