// SPDX-License-Identifier: GPL-3.0-or-later
#include "tablefile.h"

#include "files/readfile.h"

#include <QSaveFile>

#include <array>
#include <filesystem>
#include <ostream>

namespace fs = std::filesystem;

namespace tagmere::ui {

namespace {

// The table writer writes to a std::ostream; this one fills a QSaveFile.
class DeviceBuffer final : public std::streambuf {
public:
    explicit DeviceBuffer(QIODevice& device) : m_device(device) { reset(); }

protected:
    int_type overflow(int_type c) override {
        if (!flushBuffer())
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return flushBuffer() ? 0 : -1; }

private:
    void reset() { setp(m_buffer.data(), m_buffer.data() + m_buffer.size()); }
    bool flushBuffer() {
        const qint64 size = pptr() - pbase();
        if (size > 0 && m_device.write(pbase(), size) != size)
            return false;
        reset();
        return true;
    }

    QIODevice& m_device;
    std::array<char, 64 * 1024> m_buffer{};
};

} // namespace

TableFormat tableFormatFor(const QString& path, const QString& filter) {
    if (path.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive))
        return TableFormat::Json;
    if (path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
        return TableFormat::Csv;
    return filter.contains(QStringLiteral("*.json")) ? TableFormat::Json : TableFormat::Csv;
}

TableExport exportTable(const std::string& root, const std::vector<std::string>& files, TableFormat format,
                        const QString& target) {
    TableExport result;
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly)) {
        result.status = Status::failure(file.errorString().toStdString());
        return result;
    }
    DeviceBuffer buffer(file);
    std::ostream out(&buffer);
    TableWriter writer(format, out);
    const fs::path folder = fs::path(root).lexically_normal();
    for (const std::string& path : files) {
        std::string bytes;
        const Status read = readTextFile(path, bytes);
        if (!read.ok)
            ++result.unreadable;
        result.status = writer.add(tableRow(
            folder.string(), fs::path(path).lexically_normal().lexically_relative(folder).string(), bytes, read));
        if (!result.status.ok)
            return result; // the new file is dropped with `file`
        ++result.rows;
    }
    result.status = writer.finish();
    out.flush();
    if (result.status.ok && (!out || file.error() != QFileDevice::NoError))
        result.status = Status::failure(file.errorString().toStdString());
    // The new file takes the old one's place only after it is flushed to disk.
    if (result.status.ok && !file.commit())
        result.status = Status::failure(file.errorString().toStdString());
    return result;
}

std::string tableNotes(const TableFeed& feed, bool applied) {
    std::string notes;
    if (feed.numbersKept > 0)
        notes += "(" + std::to_string(feed.numbersKept) +
                 ") cell(s) hold their file's number written another way, as spreadsheets write numbers; the "
                 "files keep their own form.\r";
    if (feed.readOnlyRow > 0)
        notes += "Read-only cells of the table were changed (first in row " + std::to_string(feed.readOnlyRow) +
                 "); they are ignored.\r";
    if (!feed.damage.empty())
        notes += "The table is damaged: " + feed.damage +
                 (applied ? "; the rows after it were not applied.\r" : "; the rows after it would not be applied.\r");
    return notes;
}

} // namespace tagmere::ui
