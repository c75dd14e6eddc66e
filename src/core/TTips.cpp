#include "core/TTips.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "core/DataFilePath.h"
#include "core/Format.h"
#include "core/OwnerOnlyFiles.h"
#include "core/PathHelpers.h"
#include "core/TMainConfig.h"
#include "core/TXMLDocument.h"

namespace {

const QString kRootName = QStringLiteral("TipList");

QString shippedPath(const QString& language)
{
    return QStringLiteral(":/resources/tips/%1.xml").arg(language);
}

// The text of an element: all of its text below it, in document order.
QString elementText(const pugi::xml_node& element)
{
    QString text;
    for (pugi::xml_node node = element.first_child(); node; node = node.next_sibling()) {
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
            text += QString::fromUtf8(node.value());
        else if (node.type() == pugi::node_element)
            text += elementText(node);
    }
    return text;
}

int helpID(const pugi::xml_node& tip)
{
    if (!hasXmlAttribute(tip, "HelpID"))
        return -1;
    bool ok = false;
    const int id = xmlAttribute(tip, "HelpID").trimmed().toInt(&ok, 10);
    return ok ? id : -1;
}

} // namespace

const QString TTips::kTipFileNotFound = QStringLiteral("Tip file not found.");
int TTips::s_fallbackIndex = 0;

TTips::TTips(const QString& language, const QString& notFoundText)
    : m_filePath(DataFilePath(TipFileName(language)))
    , m_notFoundText(notFoundText.isEmpty() ? kTipFileNotFound : notFoundText)
{
    if (!QFileInfo::exists(m_filePath))
        InstallShippedTipFile(language, QFileInfo(m_filePath).absolutePath());
    TXMLDocument document(m_filePath, kRootName);
    m_loadError = document.open().message;
    for (const pugi::xml_node& tip : document.root().children("Tip"))
        m_tips.push_back(TTipOfTheDay{elementText(tip.child("Content")), helpID(tip)});
}

QString TTips::TipFileName(const QString& language)
{
    QString safe = language;
    safe.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
    return Format(QStringLiteral("Tips - %s.xml"), {safe});
}

QStringList TTips::ShippedLanguages()
{
    return {QStringLiteral("English"), QStringLiteral("Svenska")};
}

bool TTips::InstallShippedTipFile(const QString& language, const QString& folder)
{
    const QString target = IncludeTrailingBackslash(folder) + TipFileName(language);
    if (QFileInfo::exists(target))
        return true;
    QFile source(shippedPath(language));
    if (!source.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = source.readAll();
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || !RestrictToOwner(file) || file.write(data) != data.size())
        return false;
    return file.commit();
}

void TTips::InstallShippedTipFiles()
{
    const QString folder = QFileInfo(DataFilePath(TipFileName(QStringLiteral("English")))).absolutePath();
    for (const QString& language : ShippedLanguages())
        InstallShippedTipFile(language, folder);
}

int TTips::lastIndex() const
{
    if (const TMainConfig* config = MainConfig())
        return config->LastTipIndex();
    return s_fallbackIndex;
}

void TTips::setLastIndex(int index)
{
    if (TMainConfig* config = MainConfig())
        config->SetLastTipIndex(index);
    else
        s_fallbackIndex = index;
}

QString TTips::Next()
{
    return step(+1);
}

QString TTips::Previous()
{
    return step(-1);
}

QString TTips::step(int delta)
{
    if (m_tips.empty())
        return m_notFoundText;
    const int last = count() - 1;
    // 64 bits: the stored index may be any integer an edited settings file holds.
    const qint64 wanted = qint64(lastIndex()) + delta;
    int index = int(wanted);
    if (delta > 0) {
        // A negative index only comes from an edited settings file; it must not
        // reach the list.
        if (wanted > last || wanted < 0)
            index = 0;
    } else if (wanted < 0 || wanted > last) {
        index = last;
    }
    setLastIndex(index);
    m_current = &m_tips[std::size_t(index)];
    return m_current->Text;
}
