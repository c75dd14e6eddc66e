#pragma once

#include <memory>

#include <QByteArray>
#include <QMimeData>
#include <QString>

// The property of the drag's source window through which the direct-save
// protocol talks: the source writes the suggested file name, the drop target
// replaces it by the URI of the file to save. Behind an interface so the
// protocol can be tested without an X server.
class IDirectSaveProperty
{
public:
    virtual ~IDirectSaveProperty() = default;
    // False when there is no drag source window to write to.
    virtual bool write(const QByteArray& value) = 0;
    virtual QByteArray read() = 0;
    virtual void remove() = 0;
};

// The data of a drag that may end in a desktop file manager's folder: besides
// the formats the caller sets, it offers the X direct-save protocol
// (XdndDirectSave0), through which a file manager that supports it tells the
// source where the dropped file is to be saved. folderChosen() then reports
// that file's folder, once. It may come after QDrag::exec() has returned (the
// target asks for the data after the drop), from inside Qt's handling of the
// target's request, and Qt may free the drag right after: connect to it with
// Qt::QueuedConnection and a receiver of your own. Nothing is reported when
// the drop target told no folder (another program, a file manager without
// direct save, a folder on another host, not on X11).
//
// The protocol: when the drag starts (Qt asks for the formats with the
// XdndSelection already owned by the drag's source window), the suggested name
// is written to the source window's XdndDirectSave0 property. A target that
// supports it writes a file: URI there and asks for the XdndDirectSave0 data;
// the answer is "S" when the URI names an existing local folder (the receiver
// of folderChosen then saves into it) and "F" otherwise, so the target falls
// back to what else the drag offers.
//
// Usage, on the user-interface thread:
//   auto* mime = new TDirectSaveMimeData(QStringLiteral("file.txt"));
//   mime->setData(...);               // the other formats
//   connect(mime, &TDirectSaveMimeData::folderChosen, receiver,
//           [rows](const QString& folder) {...}, Qt::QueuedConnection);
//   auto* drag = new QDrag(dragSource);
//   drag->setMimeData(mime);          // the drag owns it
//   drag->exec(...);
class TDirectSaveMimeData final : public QMimeData
{
    Q_OBJECT

public:
    // `suggestedName` is the file name offered to the target (the first dragged
    // row's name). The property is the X11 one on the xcb platform, none elsewhere.
    explicit TDirectSaveMimeData(const QString& suggestedName);
    TDirectSaveMimeData(const QString& suggestedName, std::unique_ptr<IDirectSaveProperty> property);
    ~TDirectSaveMimeData() override;

    // The folder reported by folderChosen (empty until then).
    QString dropFolder() const { return m_dropFolder; }

    static QString formatName() { return QStringLiteral("XdndDirectSave0"); }
    // The folder a target's URI names when it is a local file: URI of an
    // existing folder, else empty.
    static QString folderOfUri(const QByteArray& uri);

    bool hasFormat(const QString& mimeType) const override;
    QStringList formats() const override;

signals:
    void folderChosen(const QString& folder);

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    void offer() const;

    QString m_suggestedName;
    std::unique_ptr<IDirectSaveProperty> m_property;
    mutable bool m_offered = false;
    mutable QString m_dropFolder;
};
