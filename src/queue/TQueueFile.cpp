#include "queue/TQueueFile.h"

#include <string>

#include <pugixml.hpp>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "core/OwnerOnlyFiles.h"

namespace {

// The declaration, comments and processing instructions of an existing file are
// kept; white space between elements is not kept (the items are written indented).
constexpr unsigned kParseOptions =
    pugi::parse_default | pugi::parse_declaration | pugi::parse_comments | pugi::parse_pi;
// Where the items go between the written head and tail of the document.
const char* const kItemsMark = "vantor-queue-items";
constexpr qint64 kWriteChunk = 1 << 20;

class StringWriter final : public pugi::xml_writer
{
public:
    explicit StringWriter(std::string& out)
        : m_out(out)
    {}
    void write(const void* data, size_t size) override { m_out.append(static_cast<const char*>(data), size); }

private:
    std::string& m_out;
};

// Parses in place: the document points into `data`, which must outlive it.
bool parseFile(const QString& path, QByteArray& data, pugi::xml_document& document, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString());
        return false;
    }
    data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("Cannot read file \"%1\". %2").arg(path, file.errorString());
        return false;
    }
    const pugi::xml_parse_result parsed =
        document.load_buffer_inplace(data.data(), static_cast<size_t>(data.size()), kParseOptions);
    if (!parsed) {
        if (error)
            *error = QStringLiteral("%1 is not a well-formed XML document: %2 at byte %3")
                         .arg(path, QString::fromUtf8(parsed.description()))
                         .arg(parsed.offset);
        return false;
    }
    if (!document.document_element()) {
        if (error)
            *error = QStringLiteral("%1 has no root element").arg(path);
        return false;
    }
    return true;
}

QString attribute(const pugi::xml_node& node, const char* name)
{
    return QString::fromUtf8(node.attribute(name).value());
}

// An attribute value as XML text, escaped the way the rest of the document is.
void appendEscaped(std::string& out, const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    for (const char c : utf8) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                out += "&#" + std::to_string(static_cast<unsigned char>(c)) + ';';
            else
                out += c;
        }
    }
}

void appendItem(std::string& out, const TQueueFileRecord& record)
{
    const std::pair<const char*, const QString*> attributes[] = {
        {"HostID", &record.HostID},
        {"RemoteFilename", &record.RemoteFilename},
        {"RemoteRoot", &record.RemoteRoot},
        {"IsDirectory", &record.IsDirectory},
        {"FileSize", &record.FileSize},
        {"FileModifiedDateTime", &record.FileModifiedDateTime},
        {"LocalRoot", &record.LocalRoot},
        {"LocalFilename", &record.LocalFilename},
        {"TransferDirection", &record.TransferDirection},
    };
    out += "  <QueueItem";
    for (const auto& [name, value] : attributes) {
        out += ' ';
        out += name;
        out += "=\"";
        appendEscaped(out, *value);
        out += '"';
    }
    out += " />\n";
}

// The document around the items: everything an existing file has besides its
// root's children (kept with `keepChildren`), or a new document; split where the
// items go.
bool documentFrame(const QString& path, bool keepChildren, std::string& head, std::string& tail,
                   QString* error)
{
    QByteArray data;
    pugi::xml_document document;
    pugi::xml_node root;
    if (QFileInfo::exists(path)) {
        if (!parseFile(path, data, document, error))
            return false;
        root = document.document_element();
        while (!keepChildren && root.first_child())
            root.remove_child(root.first_child());
    } else {
        pugi::xml_node declaration = document.append_child(pugi::node_declaration);
        declaration.append_attribute("version").set_value("1.0");
        root = document.append_child("QueueList");
    }
    root.append_child(pugi::node_comment).set_value(kItemsMark);
    std::string text;
    StringWriter writer(text);
    document.save(writer, "  ", pugi::format_indent, pugi::encoding_utf8);
    const std::string mark = std::string("<!--") + kItemsMark + "-->";
    const std::size_t at = text.find(mark);
    const std::size_t lineStart = text.rfind('\n', at);
    const std::size_t lineEnd = text.find('\n', at);
    if (at == std::string::npos || lineStart == std::string::npos || lineEnd == std::string::npos) {
        if (error)
            *error = QStringLiteral("Cannot write \"%1\": the document could not be laid out").arg(path);
        return false;
    }
    head = text.substr(0, lineStart + 1);
    tail = text.substr(lineEnd + 1);
    return true;
}

bool writeRecords(const QString& path, const TQueueFile::TRecordSource& records, bool keepChildren,
                  QString* error)
{
    std::string head;
    std::string tail;
    if (!documentFrame(path, keepChildren, head, tail, error))
        return false;
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly) && RestrictToOwner(file);
    std::string chunk = std::move(head);
    TQueueFileRecord record;
    while (ok && records(record)) {
        appendItem(chunk, record);
        if (qint64(chunk.size()) >= kWriteChunk) {
            ok = file.write(chunk.data(), qint64(chunk.size())) == qint64(chunk.size());
            chunk.clear();
        }
    }
    chunk += tail;
    ok = ok && file.write(chunk.data(), qint64(chunk.size())) == qint64(chunk.size()) && file.commit();
    if (!ok) {
        if (error)
            *error = QStringLiteral("Cannot write \"%1\". %2").arg(path, file.errorString());
        file.cancelWriting();
    }
    return ok;
}

TQueueFile::TRecordSource fromList(const QList<TQueueFileRecord>& records)
{
    return [&records, next = qsizetype(0)](TQueueFileRecord& record) mutable {
        if (next >= records.size())
            return false;
        record = records[next++];
        return true;
    };
}

} // namespace

bool TQueueFile::Write(const QString& path, const TRecordSource& records, QString* error)
{
    return writeRecords(path, records, false, error);
}

bool TQueueFile::Write(const QString& path, const QList<TQueueFileRecord>& records, QString* error)
{
    return writeRecords(path, fromList(records), false, error);
}

bool TQueueFile::Append(const QString& path, const QList<TQueueFileRecord>& records, QString* error)
{
    return writeRecords(path, fromList(records), true, error);
}

bool TQueueFile::ForEach(const QString& path, const TRecordSink& sink, QString* error)
{
    QByteArray data;
    pugi::xml_document document;
    if (!parseFile(path, data, document, error))
        return false;
    TQueueFileRecord record;
    for (pugi::xml_node node : document.document_element().children()) {
        if (node.type() != pugi::node_element)
            continue;
        record.HostID = attribute(node, "HostID");
        record.RemoteFilename = attribute(node, "RemoteFilename");
        record.RemoteRoot = attribute(node, "RemoteRoot");
        record.IsDirectory = attribute(node, "IsDirectory");
        record.FileSize = attribute(node, "FileSize");
        record.FileModifiedDateTime = attribute(node, "FileModifiedDateTime");
        record.LocalRoot = attribute(node, "LocalRoot");
        record.LocalFilename = attribute(node, "LocalFilename");
        record.TransferDirection = attribute(node, "TransferDirection");
        if (!sink(record))
            break;
    }
    return true;
}

std::optional<QList<TQueueFileRecord>> TQueueFile::Read(const QString& path, QString* error)
{
    QList<TQueueFileRecord> records;
    if (!ForEach(
            path,
            [&records](const TQueueFileRecord& record) {
                records.append(record);
                return true;
            },
            error))
        return std::nullopt;
    return records;
}

std::optional<bool> TQueueFile::TextToBoolean(const QString& text, QString* error)
{
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    if (const auto number = TextToInteger(text))
        return *number != 0;
    if (error)
        *error = QStringLiteral("'%1' is not a valid boolean value").arg(text);
    return std::nullopt;
}

std::optional<qint64> TQueueFile::TextToInteger(const QString& text, QString* error)
{
    bool ok = false;
    qint64 value = 0;
    // Only a plain decimal number: no blanks, no hexadecimal or octal prefix.
    bool plain = !text.isEmpty();
    for (qsizetype i = 0; plain && i < text.size(); ++i) {
        const QChar c = text.at(i);
        plain = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                (i == 0 && (c == QLatin1Char('-') || c == QLatin1Char('+')) && text.size() > 1);
    }
    if (plain)
        value = text.toLongLong(&ok, 10);
    if (!ok) {
        if (error)
            *error = QStringLiteral("'%1' is not a valid integer value").arg(text);
        return std::nullopt;
    }
    return value;
}
