#pragma once

#include <pugixml.hpp>

#include <QString>

// The one way every data file of the program (settings, hosts, quick hosts,
// filters, queue, transfer types, tips) is read and written.
//
// - open() reads the file once; a missing file is created with an empty root
//   element; a file that cannot be read is copied aside before anything can write
//   over it, and the document continues empty in memory. A program data file
//   (CreateIfMissing) set aside so is also told to TDataFileNotices.
// - save() writes the whole document through a temporary file and a rename, so a
//   crash or a full disk never leaves a half-written file behind.
// - Attribute and element order are kept as read.
//
// Not thread-safe: the owner serialises access.

enum class TXMLLoadStatus
{
    Loaded,  // the file was read
    Created, // the file was missing and has been created with an empty root
    Failed,  // the file could not be read; the document is empty in memory
};

struct TXMLLoadResult
{
    TXMLLoadStatus status = TXMLLoadStatus::Failed;
    QString message;      // a log line saying what went wrong and where the copy is; empty on success
    QString setAsidePath; // where the unreadable file was copied, when it was

    bool ok() const { return status != TXMLLoadStatus::Failed; }
};

enum class TXMLOpenMode
{
    CreateIfMissing, // program data files: a missing file is created empty
    MustExist,       // files the user picks: a missing file is a failure
};

class TXMLDocument final
{
public:
    TXMLDocument(QString filePath, QString rootName);

    TXMLDocument(const TXMLDocument&) = delete;
    TXMLDocument& operator=(const TXMLDocument&) = delete;

    TXMLLoadResult open(TXMLOpenMode mode = TXMLOpenMode::CreateIfMissing);

    // Writes the document to filePath() (or `path`) atomically and clears the
    // modified flag. Returns false with a reason in `error`. Refuses to write when
    // the file failed to load and could not be copied aside.
    bool save(QString* error = nullptr);
    bool saveTo(const QString& path, QString* error = nullptr);
    bool saveIfModified(QString* error = nullptr);

    // The text the document would be written as.
    std::string toText() const;

    pugi::xml_document& document() { return m_document; }
    const pugi::xml_document& document() const { return m_document; }
    // The root element, created when the document has none.
    pugi::xml_node root();
    pugi::xml_node root() const { return m_document.document_element(); }

    // Callers that change the document mark it, so saveIfModified() knows.
    void markModified() { m_modified = true; }
    bool isModified() const { return m_modified; }

    const QString& filePath() const { return m_filePath; }
    const QString& rootName() const { return m_rootName; }

    // Resets the document to the single empty root element, in memory only.
    void clear();

private:
    TXMLLoadResult fail(const QString& reason);

    QString m_filePath;
    QString m_rootName;
    pugi::xml_document m_document;
    bool m_modified = false;
    bool m_saveBlocked = false;
    TXMLOpenMode m_openMode = TXMLOpenMode::CreateIfMissing;
};

// Attribute access in QString terms (the files are UTF-8).
QString xmlAttribute(const pugi::xml_node& node, const char* name);
bool hasXmlAttribute(const pugi::xml_node& node, const char* name);
void setXmlAttribute(pugi::xml_node& node, const char* name, const QString& value);
// Whether `name` can be written as an element or attribute name.
bool isValidXmlName(const QString& name);
