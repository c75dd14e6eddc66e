#include "queue/TFileTransferTypes.h"

#include <QDir>

#include "core/AppData.h"
#include "core/TMainConfig.h"

namespace {

const char* const kRoot = "FileTransferTypesList";
const char* const kElement = "FileTransferType";
const char* const kExtension = "Extension";
const char* const kTransferType = "TransferType";

std::unique_ptr<TFileTransferTypes>& globalTypes()
{
    static std::unique_ptr<TFileTransferTypes> instance;
    return instance;
}

QString defaultPath()
{
    if (MainConfig())
        return MainConfig()->dataFilePath(QStringLiteral("FileTransferTypes.xml"));
    return GetAppDataFolder() + QDir::separator() + QStringLiteral("FileTransferTypes.xml");
}

} // namespace

TFileTransferTypes::TFileTransferTypes(const QString& path)
    : m_document(path.isEmpty() ? defaultPath() : path, QString::fromLatin1(kRoot))
{
    const TXMLLoadResult result = m_document.open(TXMLOpenMode::CreateIfMissing);
    if (!result.ok())
        m_loadError = result.message;
    Load();
}

TFileTransferTypes::~TFileTransferTypes()
{
    if (m_modified)
        Save();
}

TFileTransferTypes& TFileTransferTypes::createGlobal(const QString& path)
{
    globalTypes().reset();
    globalTypes() = std::make_unique<TFileTransferTypes>(path);
    return *globalTypes();
}

void TFileTransferTypes::destroyGlobal()
{
    globalTypes().reset();
}

TFileTransferTypes* FileTransferTypes()
{
    return globalTypes().get();
}

void TFileTransferTypes::Load()
{
    QMutexLocker locker(&m_lock);
    m_types.clear();
    for (pugi::xml_node node : m_document.root().children(kElement))
        m_types.append({xmlAttribute(node, kExtension), xmlAttribute(node, kTransferType)});
    rebuildIndex();
}

bool TFileTransferTypes::Save(QString* error)
{
    QMutexLocker locker(&m_lock);
    pugi::xml_node root = m_document.root();
    while (root.first_child())
        root.remove_child(root.first_child());
    for (const TPair& pair : m_types) {
        pugi::xml_node node = root.append_child(kElement);
        setXmlAttribute(node, kExtension, pair.first);
        setXmlAttribute(node, kTransferType, pair.second);
    }
    m_document.markModified();
    const bool saved = m_document.save(error);
    if (saved)
        m_modified = false;
    return saved;
}

QList<TFileTransferTypes::TPair> TFileTransferTypes::TypeList() const
{
    QMutexLocker locker(&m_lock);
    return m_types;
}

QStringList TFileTransferTypes::TypeListTexts() const
{
    QMutexLocker locker(&m_lock);
    QStringList texts;
    for (const TPair& pair : m_types)
        texts.append(QStringLiteral("%1=%2").arg(pair.first, pair.second));
    return texts;
}

void TFileTransferTypes::setTypeList(QList<TPair> types)
{
    QMutexLocker locker(&m_lock);
    m_types = std::move(types);
    m_modified = true;
    rebuildIndex();
}

void TFileTransferTypes::rebuildIndex()
{
    m_index.clear();
    for (qsizetype i = 0; i < m_types.size(); ++i) {
        const QString key = m_types[i].first.toLower();
        if (!m_index.contains(key))
            m_index.insert(key, i);
    }
}

TFileTransferType TFileTransferTypes::GetTransferType(const QString& extension) const
{
    QMutexLocker locker(&m_lock);
    const auto found = m_index.constFind(extension.toLower());
    if (found == m_index.constEnd())
        return TFileTransferType::fttUnknown;
    return m_types[*found].second == QLatin1String("ASCII") ? TFileTransferType::fttASCII
                                                            : TFileTransferType::fttBinary;
}

QString FileNameExtension(const QString& fileName)
{
    const qsizetype slash =
        std::max(fileName.lastIndexOf(QLatin1Char('/')), fileName.lastIndexOf(QDir::separator()));
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot > slash ? fileName.mid(dot) : QString();
}

QString TransferTypeCommand(const TFileTransferTypes* types, const QString& localFileName)
{
    TFileTransferType type =
        types ? types->GetTransferType(FileNameExtension(localFileName)) : TFileTransferType::fttUnknown;
    if (type == TFileTransferType::fttUnknown)
        type = MainConfig() ? MainConfig()->DefaultFileTransferType() : TFileTransferType::fttBinary;
    return type == TFileTransferType::fttASCII ? QStringLiteral("TYPE A") : QStringLiteral("TYPE I");
}
