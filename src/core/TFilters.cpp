#include "core/TFilters.h"

#include <QStringList>

#include "core/DataFilePath.h"

namespace {

const QString kFileName = QStringLiteral("Filters.xml");
const QString kRootName = QStringLiteral("FilterList");

std::unique_ptr<TFilters>& globalStore()
{
    static std::unique_ptr<TFilters> store;
    return store;
}

bool named(const pugi::xml_node& node, const char* name)
{
    return node.type() == pugi::node_element && std::string_view(node.name()) == name;
}

} // namespace

TFilters::TFilters(const QString& filePath)
    : m_document(filePath.isEmpty() ? DataFilePath(kFileName) : filePath, kRootName)
{
    Reload();
}

TFilters& TFilters::createGlobal(const QString& filePath)
{
    destroyGlobal();
    globalStore() = std::make_unique<TFilters>(filePath);
    return *globalStore();
}

void TFilters::destroyGlobal()
{
    globalStore().reset();
}

TFilters* Filters()
{
    return globalStore().get();
}

void TFilters::Reload()
{
    m_filters.clear();
    m_loadError = m_document.open().message;
    for (const pugi::xml_node& filter : m_document.root().children()) {
        if (!named(filter, "Filter"))
            continue;
        QStringList masks;
        for (const pugi::xml_node& mask : filter.children())
            if (named(mask, "FileMask"))
                masks << xmlAttribute(mask, "Mask");
        m_filters.push_back(
            std::make_unique<TFilter>(xmlAttribute(filter, "Name"), masks.join(QLatin1Char(';'))));
    }
}

void TFilters::Add(std::unique_ptr<TFilter> filter)
{
    if (filter)
        m_filters.push_back(std::move(filter));
}

void TFilters::Clear()
{
    m_filters.clear();
}

TFilter* TFilters::at(int index) const
{
    if (index < 0 || index >= count())
        return nullptr;
    return m_filters[std::size_t(index)].get();
}

bool TFilters::Save(QString* error)
{
    pugi::xml_node root = m_document.root();
    root.remove_children();
    for (const auto& filter : m_filters) {
        pugi::xml_node element = root.append_child("Filter");
        setXmlAttribute(element, "Name", filter->Name);
        for (const QString& mask : filter->Masks) {
            pugi::xml_node fileMask = element.append_child("FileMask");
            setXmlAttribute(fileMask, "Mask", mask);
        }
    }
    m_document.markModified();
    return m_document.save(error);
}
