#include "queue/TQueueFile.h"

#include <string>

#include <pugixml.hpp>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// The declaration, comments and processing instructions of an existing file are
// kept; white space between elements comes back as text nodes and is skipped.
constexpr unsigned kParseOptions =
    pugi::parse_default | pugi::parse_declaration | pugi::parse_comments | pugi::parse_pi;

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

bool parseFile(const QString& path, pugi::xml_document& document, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray data = file.readAll();
    const pugi::xml_parse_result parsed =
        document.load_buffer(data.constData(), static_cast<size_t>(data.size()), kParseOptions);
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

void setAttribute(pugi::xml_node& node, const char* name, const QString& value)
{
    node.append_attribute(name).set_value(value.toUtf8().constData());
}

QString attribute(const pugi::xml_node& node, const char* name)
{
    return QString::fromUtf8(node.attribute(name).value());
}

} // namespace

namespace {

bool writeRecords(const QString& path, const QList<TQueueFileRecord>& records, bool keepChildren,
                  QString* error)
{
    pugi::xml_document document;
    pugi::xml_node root;
    if (QFileInfo::exists(path)) {
        if (!parseFile(path, document, error))
            return false;
        root = document.document_element();
        while (!keepChildren && root.first_child())
            root.remove_child(root.first_child());
    } else {
        pugi::xml_node declaration = document.append_child(pugi::node_declaration);
        declaration.append_attribute("version").set_value("1.0");
        root = document.append_child("QueueList");
    }
    for (const TQueueFileRecord& record : records) {
        pugi::xml_node node = root.append_child("QueueItem");
        setAttribute(node, "HostID", record.HostID);
        setAttribute(node, "RemoteFilename", record.RemoteFilename);
        setAttribute(node, "RemoteRoot", record.RemoteRoot);
        setAttribute(node, "IsDirectory", record.IsDirectory);
        setAttribute(node, "FileSize", record.FileSize);
        setAttribute(node, "FileModifiedDateTime", record.FileModifiedDateTime);
        setAttribute(node, "LocalRoot", record.LocalRoot);
        setAttribute(node, "LocalFilename", record.LocalFilename);
        setAttribute(node, "TransferDirection", record.TransferDirection);
    }

    std::string text;
    StringWriter writer(text);
    document.save(writer, "  ", pugi::format_indent, pugi::encoding_utf8);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) ||
        !file.commit()) {
        if (error)
            *error = QStringLiteral("Cannot write \"%1\". %2").arg(path, file.errorString());
        file.cancelWriting();
        return false;
    }
    return true;
}

} // namespace

bool TQueueFile::Write(const QString& path, const QList<TQueueFileRecord>& records, QString* error)
{
    return writeRecords(path, records, false, error);
}

bool TQueueFile::Append(const QString& path, const QList<TQueueFileRecord>& records, QString* error)
{
    return writeRecords(path, records, true, error);
}

std::optional<QList<TQueueFileRecord>> TQueueFile::Read(const QString& path, QString* error)
{
    pugi::xml_document document;
    if (!parseFile(path, document, error))
        return std::nullopt;
    QList<TQueueFileRecord> records;
    for (pugi::xml_node node : document.document_element().children()) {
        if (node.type() != pugi::node_element)
            continue;
        TQueueFileRecord record;
        record.HostID = attribute(node, "HostID");
        record.RemoteFilename = attribute(node, "RemoteFilename");
        record.RemoteRoot = attribute(node, "RemoteRoot");
        record.IsDirectory = attribute(node, "IsDirectory");
        record.FileSize = attribute(node, "FileSize");
        record.FileModifiedDateTime = attribute(node, "FileModifiedDateTime");
        record.LocalRoot = attribute(node, "LocalRoot");
        record.LocalFilename = attribute(node, "LocalFilename");
        record.TransferDirection = attribute(node, "TransferDirection");
        records.append(std::move(record));
    }
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
    const QString trimmed = text.trimmed();
    // Only a plain decimal number: no blanks inside, no hexadecimal or octal prefix.
    bool plain = !trimmed.isEmpty() && trimmed == text;
    for (qsizetype i = 0; plain && i < trimmed.size(); ++i) {
        const QChar c = trimmed.at(i);
        plain = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                (i == 0 && (c == QLatin1Char('-') || c == QLatin1Char('+')) && trimmed.size() > 1);
    }
    if (plain)
        value = trimmed.toLongLong(&ok, 10);
    if (!ok) {
        if (error)
            *error = QStringLiteral("'%1' is not a valid integer value").arg(text);
        return std::nullopt;
    }
    return value;
}
