#include "core/TXMLDocument.h"

#include <string>
#include <utility>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "core/OwnerOnlyFiles.h"
#include "core/TDataFileNotices.h"
#include "platform/UnreadableFile.h"

namespace {

// White space inside attribute values is kept as written (a tab or a line break in
// a stored text must come back unchanged); white-space-only text between elements
// is dropped so that indented output stays indented.
constexpr unsigned kParseOptions = pugi::parse_default & ~pugi::parse_wconv_attribute;
constexpr unsigned kFormatOptions = pugi::format_indent;
const char* const kIndent = "  ";

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

QString fileName(const QString& path)
{
    return QFileInfo(path).fileName();
}

} // namespace

TXMLDocument::TXMLDocument(QString filePath, QString rootName)
    : m_filePath(std::move(filePath))
    , m_rootName(std::move(rootName))
{
    clear();
}

void TXMLDocument::clear()
{
    m_document.reset();
    m_document.append_child(m_rootName.toUtf8().constData());
}

pugi::xml_node TXMLDocument::root()
{
    pugi::xml_node node = m_document.document_element();
    if (!node)
        node = m_document.append_child(m_rootName.toUtf8().constData());
    return node;
}

TXMLLoadResult TXMLDocument::open(TXMLOpenMode mode)
{
    m_saveBlocked = false;
    m_modified = false;
    m_openMode = mode;
    const QFileInfo info(m_filePath);
    if (!info.exists()) {
        clear();
        TXMLLoadResult result;
        if (mode == TXMLOpenMode::MustExist) {
            result.message = QStringLiteral("%1 does not exist").arg(m_filePath);
            return result;
        }
        QString error;
        if (!save(&error)) {
            result.message = QStringLiteral("%1 could not be created: %2").arg(m_filePath, error);
            // Nothing to lose: the next save may still succeed.
            m_modified = true;
            return result;
        }
        result.status = TXMLLoadStatus::Created;
        return result;
    }

    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(file.errorString());

    m_document.reset();
    const pugi::xml_parse_result parsed =
        m_document.load_buffer(data.constData(), static_cast<size_t>(data.size()), kParseOptions);
    if (!parsed)
        return fail(
            QStringLiteral("%1 at byte %2").arg(QString::fromUtf8(parsed.description())).arg(parsed.offset));
    const QString rootFound = QString::fromUtf8(m_document.document_element().name());
    if (rootFound != m_rootName)
        return fail(QStringLiteral("the root element is \"%1\", expected \"%2\"").arg(rootFound, m_rootName));

    TXMLLoadResult result;
    result.status = TXMLLoadStatus::Loaded;
    return result;
}

TXMLLoadResult TXMLDocument::fail(const QString& reason)
{
    clear();
    TXMLLoadResult result;
    const platform::TSetAsideResult copy = platform::SetAsideUnreadableFile(m_filePath);
    if (copy.ok) {
        result.setAsidePath = copy.copyPath;
        result.message = QStringLiteral("%1 could not be read (%2); it was kept as %3")
                             .arg(fileName(m_filePath), reason, fileName(copy.copyPath));
    } else {
        m_saveBlocked = true;
        result.message =
            QStringLiteral("%1 could not be read (%2) and could not be copied aside (%3); it will "
                           "not be overwritten")
                .arg(m_filePath, reason, copy.error);
    }
    // A file the user picked is the user's to hear about; the program's own data
    // files are shown once at start-up.
    if (m_openMode == TXMLOpenMode::CreateIfMissing)
        TDataFileNotices::add({m_filePath, reason, result.setAsidePath});
    return result;
}

std::string TXMLDocument::toText() const
{
    std::string text;
    StringWriter writer(text);
    m_document.save(writer, kIndent, kFormatOptions, pugi::encoding_utf8);
    return text;
}

bool TXMLDocument::save(QString* error)
{
    if (m_saveBlocked) {
        if (error)
            *error = QStringLiteral("%1 could not be read earlier and was not copied aside").arg(m_filePath);
        return false;
    }
    if (!saveTo(m_filePath, error))
        return false;
    m_modified = false;
    return true;
}

bool TXMLDocument::saveTo(const QString& path, QString* error)
{
    const std::string text = toText();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !RestrictToOwner(file) ||
        file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) ||
        !file.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        file.cancelWriting();
        return false;
    }
    return true;
}

bool TXMLDocument::saveIfModified(QString* error)
{
    return !m_modified || save(error);
}

QString xmlAttribute(const pugi::xml_node& node, const char* name)
{
    return QString::fromUtf8(node.attribute(name).value());
}

bool hasXmlAttribute(const pugi::xml_node& node, const char* name)
{
    return static_cast<bool>(node.attribute(name));
}

void setXmlAttribute(pugi::xml_node& node, const char* name, const QString& value)
{
    pugi::xml_attribute attribute = node.attribute(name);
    if (!attribute)
        attribute = node.append_attribute(name);
    attribute.set_value(value.toUtf8().constData());
}

bool isValidXmlName(const QString& name)
{
    if (name.isEmpty())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        const bool start = c.isLetter() || c == QLatin1Char('_');
        const bool inner = start || c.isDigit() || c == QLatin1Char('-') || c == QLatin1Char('.');
        if (i == 0 ? !start : !inner)
            return false;
    }
    // Names starting with "xml" in any case are reserved.
    return !name.startsWith(QLatin1String("xml"), Qt::CaseInsensitive);
}
