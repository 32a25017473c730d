#include "export/ExportFile.h"

#include "platform/Cp1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#endif

namespace tonva {

namespace {

QByteArray encodeField(const QString &text, char delimiter)
{
    const QByteArray bytes = Cp1252::fromUnicode(text);
    if (!bytes.contains(delimiter) && !bytes.contains('"') && !bytes.contains('\r') && !bytes.contains('\n'))
        return bytes;
    QByteArray quoted = bytes;
    quoted.replace('"', "\"\"");
    return '"' + quoted + '"';
}

// Closes the workbook when the writer leaves early, so no file handle outlives a failure.
struct WorkbookCloser
{
    lxw_workbook *book;
    ~WorkbookCloser()
    {
        if (book)
            workbook_close(book);
    }
};

// The permissions a newly created file gets: a staging file is made private, but the finished export
// must be as readable as any other file the user writes, and keep those of a file it replaces.
QFileDevice::Permissions exportPermissions(const QString &path)
{
    if (QFileInfo::exists(path))
        return QFile::permissions(path);
    QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                                           QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                           QFileDevice::ReadOther | QFileDevice::WriteOther;
#if defined(Q_OS_UNIX)
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (mask & S_IWGRP)
        permissions &= ~QFileDevice::WriteGroup;
    if (mask & S_IRGRP)
        permissions &= ~QFileDevice::ReadGroup;
    if (mask & S_IWOTH)
        permissions &= ~QFileDevice::WriteOther;
    if (mask & S_IROTH)
        permissions &= ~QFileDevice::ReadOther;
#endif
    return permissions;
}

} // namespace

QByteArray encodeExportRecords(const QList<ExportRecord> &records, char delimiter)
{
    QByteArray out;
    for (const ExportRecord &record : records) {
        for (qsizetype i = 0; i < record.size(); ++i) {
            if (i > 0)
                out += delimiter;
            out += encodeField(record[i].text, delimiter);
        }
        out += '\r';
    }
    return out;
}

QString writeExportBytes(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return why;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

QString writeExportWorkbook(const QString &path, const QString &sheetName, const QList<ExportRecord> &records)
{
    // The workbook is written beside its target and renamed over it only once complete, so a
    // failed export never leaves half a workbook where an older one was.
    const QFileInfo target(path);
    QString staging;
    {
        QTemporaryFile reserve(target.absolutePath() + QStringLiteral("/.tonva-export-XXXXXX.xlsx"));
        reserve.setAutoRemove(false);
        if (!reserve.open())
            return reserve.errorString();
        staging = reserve.fileName();
    }
    const QByteArray stagingName = QFile::encodeName(staging);

    lxw_error result = LXW_NO_ERROR;
    {
        WorkbookCloser closer{workbook_new(stagingName.constData())};
        lxw_workbook *book = closer.book;
        if (!book) {
            QFile::remove(staging);
            return QStringLiteral("cannot create the workbook");
        }
        lxw_worksheet *sheet = workbook_add_worksheet(book, sheetName.toUtf8().constData());
        lxw_format *places[3] = {workbook_add_format(book), workbook_add_format(book), workbook_add_format(book)};
        format_set_num_format(places[0], "0");
        format_set_num_format(places[1], "0.0");
        format_set_num_format(places[2], "0.00");
        lxw_format *dateFormat = workbook_add_format(book);
        format_set_num_format(dateFormat, "d-m-yyyy");

        for (qsizetype r = 0; r < records.size() && result == LXW_NO_ERROR; ++r) {
            const ExportRecord &record = records[r];
            for (qsizetype c = 0; c < record.size() && result == LXW_NO_ERROR; ++c) {
                const ExportField &field = record[c];
                const auto row = static_cast<lxw_row_t>(r);
                const auto column = static_cast<lxw_col_t>(c);
                switch (field.kind) {
                case ExportField::Kind::Number:
                    result = worksheet_write_number(sheet, row, column, field.number,
                                                    places[qBound(0, field.decimals, 2)]);
                    break;
                case ExportField::Kind::Date: {
                    lxw_datetime when{field.year, field.month, field.day, 0, 0, 0.0};
                    result = worksheet_write_datetime(sheet, row, column, &when, dateFormat);
                    break;
                }
                case ExportField::Kind::Text:
                    if (!field.text.isEmpty())
                        result = worksheet_write_string(sheet, row, column, field.text.toUtf8().constData(), nullptr);
                    break;
                }
            }
        }
        const lxw_error closed = workbook_close(book);
        closer.book = nullptr;
        if (result == LXW_NO_ERROR)
            result = closed;
    }
    if (result != LXW_NO_ERROR) {
        QFile::remove(staging);
        return QString::fromUtf8(lxw_strerror(result));
    }
    QFile::setPermissions(staging, exportPermissions(path));
    QFile::remove(path);
    if (!QFile::rename(staging, path)) {
        QFile::remove(staging);
        return QStringLiteral("cannot replace %1").arg(QDir::toNativeSeparators(path));
    }
    return {};
}

} // namespace tonva
