// The mastoid certificate workbook: a maker's spreadsheet read with freexl, searched for its labels.
#include "inventory/SetupImport.h"

#include "platform/Interaction.h"
#include "platform/TextFormat.h"

#include <QDate>
#include <QFile>
#include <freexl.h>
#include <memory>

namespace tonva {

namespace {

// A certificate is one page; cells beyond these are not searched, so a crafted sheet claiming a
// huge range costs nothing.
constexpr unsigned kMaxRows = 2000;
constexpr unsigned short kMaxColumns = 64;

const QString kNoResponses = QStringLiteral("Exception in finding the Response values");

struct Workbook
{
    const void *handle = nullptr;
    ~Workbook()
    {
        if (handle)
            freexl_close(handle);
    }
};

struct Cell
{
    std::optional<double> number;
    QString text;
};

Cell cellAt(const void *handle, unsigned row, unsigned short column)
{
    FreeXL_CellValue value{};
    Cell cell;
    if (freexl_get_cell_value(handle, row, column, &value) != FREEXL_OK)
        return cell;
    switch (value.type) {
    case FREEXL_CELL_INT:
        cell.number = value.value.int_value;
        break;
    case FREEXL_CELL_DOUBLE:
        cell.number = value.value.double_value;
        break;
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        if (value.value.text_value)
            cell.text = QString::fromUtf8(value.value.text_value).trimmed();
        break;
    default:
        break;
    }
    return cell;
}

struct Position
{
    unsigned row = 0;
    unsigned short column = 0;
};

} // namespace

QString couplerName(MastoidCoupler coupler)
{
    switch (coupler) {
    case MastoidCoupler::Kestin:
        return QStringLiteral("Kestin");
    case MastoidCoupler::Lorvat:
        return QStringLiteral("Lorvat");
    case MastoidCoupler::Pendry:
        return QStringLiteral("Pendry");
    }
    return {};
}

std::optional<SetupFile> ImportCertificateWorkbook(const QString &path, std::optional<MastoidCoupler> page,
                                                   Interaction &interaction,
                                                   const std::function<std::optional<MastoidCoupler>()> &chooseCoupler)
{
    Workbook book;
    unsigned rows = 0;
    unsigned short columns = 0;
    if (freexl_open(QFile::encodeName(path).constData(), &book.handle) != FREEXL_OK ||
        freexl_select_active_worksheet(book.handle, 0) != FREEXL_OK ||
        freexl_worksheet_dimensions(book.handle, &rows, &columns) != FREEXL_OK) {
        interaction.message(QStringLiteral("Unable to load Excel Worksheet"));
        return std::nullopt;
    }
    rows = std::min(rows, kMaxRows);
    columns = std::min(columns, kMaxColumns);

    SetupFile file;
    file.type = SetupDataType::Mastoid;
    std::optional<MastoidCoupler> named;
    std::optional<Position> frequencies;
    std::optional<Position> responses;
    const auto valueRightOf = [&](unsigned row, unsigned short column) {
        for (unsigned short c = column + 1; c < columns; ++c) {
            const Cell cell = cellAt(book.handle, row, c);
            if (!cell.text.isEmpty())
                return cell.text.toLatin1();
            if (cell.number)
                return QByteArray::number(*cell.number, 'g', 12);
        }
        return QByteArray();
    };
    for (unsigned row = 0; row < rows; ++row) {
        for (unsigned short column = 0; column < columns; ++column) {
            const QString text = cellAt(book.handle, row, column).text;
            if (text.isEmpty())
                continue;
            for (const MastoidCoupler coupler : {MastoidCoupler::Kestin, MastoidCoupler::Lorvat, MastoidCoupler::Pendry}) {
                if (!named && text.contains(couplerName(coupler)))
                    named = coupler;
            }
            if (text == QLatin1String("Freq (Hz)"))
                frequencies = Position{row, column};
            else if (text == QStringLiteral("S (dB re 20µPa/µN)"))
                responses = Position{row, column};
            else if (text == QLatin1String("Model"))
                file.model = valueRightOf(row, column);
            else if (text == QLatin1String("Serial Number:"))
                file.serialNumber = valueRightOf(row, column);
        }
    }
    if (!frequencies || !responses) {
        interaction.message(kNoResponses);
        return std::nullopt;
    }
    for (unsigned row = std::max(frequencies->row, responses->row) + 1; row < rows; ++row) {
        const Cell frequency = cellAt(book.handle, row, frequencies->column);
        const Cell response = cellAt(book.handle, row, responses->column);
        if (!frequency.number && frequency.text.isEmpty())
            break; // the end of the table
        if (!frequency.number || !response.number ||
            (!file.responses.empty() && *frequency.number <= file.responses.back().first) || *frequency.number <= 0 ||
            static_cast<int>(file.responses.size()) == setupimport::kMaxResponses) {
            interaction.message(kNoResponses);
            return std::nullopt;
        }
        file.responses.emplace_back(*frequency.number, *response.number);
    }
    if (file.responses.empty()) {
        interaction.message(kNoResponses);
        return std::nullopt;
    }

    if (!named && !page) {
        if (!chooseCoupler) {
            interaction.message(QStringLiteral("This certificate does not have a coupler model name."));
            return std::nullopt;
        }
        page = chooseCoupler();
        if (!page)
            return std::nullopt;
    }
    if (!named && interaction.ask(formatText("This certificate does not have a coupler model name.\nContinue to "
                                             "load the %s response values?",
                                             qPrintable(couplerName(*page))),
                                  Buttons::YesNo) != Answer::Yes)
        return std::nullopt;
    if (named && page && *named != *page &&
        interaction.ask(formatText("This certificate is based on using an Mervane %s which is different than "
                                   "the response page for %s.\n Continue anyway?",
                                   qPrintable(couplerName(*named)), qPrintable(couplerName(*page))),
                        Buttons::YesNo) != Answer::Yes)
        return std::nullopt;
    file.coupler = page ? page : named;
    file.manufacturer = "Mervane";
    file.sensitivity = 1.0;
    file.calibrationDue = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")).toLatin1();
    return file;
}

} // namespace tonva
