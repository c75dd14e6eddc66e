#include "ui/main/TDirectSaveMimeData.h"

#include <cstring>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSysInfo>
#include <QUrl>

#if VANTOR_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace {

constexpr int kMaximumUriBytes = 4096;

#if VANTOR_HAVE_XCB

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name)
{
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// The property on the window that owns the drag's XdndSelection: Qt's drag
// source window for the whole drag.
class TX11DirectSaveProperty final : public IDirectSaveProperty
{
public:
    explicit TX11DirectSaveProperty(xcb_connection_t* connection)
        : m_connection(connection)
        , m_property(internAtom(connection, "XdndDirectSave0"))
        , m_type(internAtom(connection, "text/plain"))
        , m_selection(internAtom(connection, "XdndSelection"))
    {}

    bool write(const QByteArray& value) override
    {
        if (!m_window) {
            const xcb_get_selection_owner_cookie_t cookie =
                xcb_get_selection_owner(m_connection, m_selection);
            xcb_get_selection_owner_reply_t* reply =
                xcb_get_selection_owner_reply(m_connection, cookie, nullptr);
            m_window = reply ? reply->owner : xcb_window_t(XCB_WINDOW_NONE);
            std::free(reply);
        }
        if (!m_window || !m_property || !m_type)
            return false;
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_window, m_property, m_type, 8,
                            static_cast<uint32_t>(value.size()), value.constData());
        xcb_flush(m_connection);
        return true;
    }

    QByteArray read() override
    {
        if (!m_window)
            return {};
        const xcb_get_property_cookie_t cookie = xcb_get_property(
            m_connection, 0, m_window, m_property, XCB_GET_PROPERTY_TYPE_ANY, 0, kMaximumUriBytes / 4);
        xcb_get_property_reply_t* reply = xcb_get_property_reply(m_connection, cookie, nullptr);
        QByteArray value;
        if (reply && reply->format == 8)
            value = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                               xcb_get_property_value_length(reply));
        std::free(reply);
        return value;
    }

    void remove() override
    {
        if (!m_window)
            return;
        xcb_delete_property(m_connection, m_window, m_property);
        xcb_flush(m_connection);
    }

private:
    xcb_connection_t* m_connection;
    xcb_atom_t m_property;
    xcb_atom_t m_type;
    xcb_atom_t m_selection;
    xcb_window_t m_window = XCB_WINDOW_NONE;
};

#endif

std::unique_ptr<IDirectSaveProperty> platformProperty()
{
#if VANTOR_HAVE_XCB
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
            if (xcb_connection_t* connection = x11->connection())
                return std::make_unique<TX11DirectSaveProperty>(connection);
    }
#endif
    return nullptr;
}

} // namespace

TDirectSaveMimeData::TDirectSaveMimeData(const QString& suggestedName)
    : TDirectSaveMimeData(suggestedName, platformProperty())
{}

TDirectSaveMimeData::TDirectSaveMimeData(const QString& suggestedName,
                                         std::unique_ptr<IDirectSaveProperty> property)
    : m_suggestedName(suggestedName)
    , m_property(std::move(property))
{}

TDirectSaveMimeData::~TDirectSaveMimeData()
{
    if (m_offered && m_property)
        m_property->remove();
}

QString TDirectSaveMimeData::folderOfUri(const QByteArray& uri)
{
    if (uri.isEmpty() || uri.size() > kMaximumUriBytes)
        return {};
    // Some targets write the terminating NUL with the text.
    const qsizetype end = uri.indexOf('\0');
    const QUrl url(QString::fromUtf8((end >= 0 ? uri.left(end) : uri).trimmed()), QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("file") || url.path().isEmpty())
        return {};
    // file://host/path is local only on this machine.
    const QString host = url.host();
    if (!host.isEmpty() && host != QLatin1String("localhost") &&
        host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) != 0)
        return {};
    const QString path = QDir::cleanPath(url.path());
    if (!QDir::isAbsolutePath(path))
        return {};
    const QFileInfo folder(QFileInfo(path).absolutePath());
    return folder.isDir() ? folder.absoluteFilePath() : QString();
}

void TDirectSaveMimeData::offer() const
{
    if (m_offered || !m_property)
        return;
    // Only a name: a target builds the URI from its folder and this.
    QString name = QFileInfo(m_suggestedName).fileName();
    if (name.isEmpty())
        name = QStringLiteral("download");
    m_offered = m_property->write(name.toUtf8());
}

bool TDirectSaveMimeData::hasFormat(const QString& mimeType) const
{
    if (mimeType == formatName())
        return m_property != nullptr;
    return QMimeData::hasFormat(mimeType);
}

QStringList TDirectSaveMimeData::formats() const
{
    QStringList all = QMimeData::formats();
    if (m_property) {
        // Asked when the drag starts, once its source window owns the selection.
        offer();
        all.append(formatName());
    }
    return all;
}

QVariant TDirectSaveMimeData::retrieveData(const QString& mimeType, QMetaType type) const
{
    if (mimeType != formatName())
        return QMimeData::retrieveData(mimeType, type);
    if (!m_property || !m_offered)
        return QByteArray("E");
    const QString folder = folderOfUri(m_property->read());
    if (folder.isEmpty())
        return QByteArray("F");
    if (m_dropFolder.isEmpty()) {
        m_dropFolder = folder;
        // Qt may free the drag right after the target's request: receivers connect
        // queued and get the folder even then.
        emit const_cast<TDirectSaveMimeData*>(this)->folderChosen(folder);
    }
    return QByteArray("S");
}
