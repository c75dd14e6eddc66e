#pragma once

#include <QMimeData>
#include <QPointer>
#include <QString>

class QWidget;

// The data of a drag that may end in a desktop file manager's folder: besides
// the formats the caller sets, it offers the X direct-save protocol
// (XdndDirectSave0), through which a file manager that supports it tells the
// source the folder the drop landed in. After QDrag::exec() has returned,
// dropFolder() is that folder's local path, or empty when the drop target told
// none (another program, a file manager without direct save, no X11).
//
// Usage, on the user-interface thread:
//   auto* mime = new TDirectSaveMimeData(dragSource, QStringLiteral("file.txt"));
//   mime->setData(...);               // the other formats
//   auto* drag = new QDrag(dragSource);
//   drag->setMimeData(mime);          // the drag owns it
//   QPointer<TDirectSaveMimeData> keep(mime);
//   drag->exec(...);
//   const QString folder = keep ? keep->dropFolder() : QString();
class TDirectSaveMimeData final : public QMimeData
{
    Q_OBJECT

public:
    // `suggestedName` is the file name offered to the target (the first dragged
    // row's name).
    TDirectSaveMimeData(QWidget* source, const QString& suggestedName);
    ~TDirectSaveMimeData() override;

    QString dropFolder() const { return m_dropFolder; }

    static QString formatName() { return QStringLiteral("XdndDirectSave0"); }

protected:
    bool hasFormat(const QString& mimeType) const override;
    QStringList formats() const override;
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    QPointer<QWidget> m_source;
    QString m_suggestedName;
    mutable QString m_dropFolder;
};
