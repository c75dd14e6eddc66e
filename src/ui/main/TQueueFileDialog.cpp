#include "ui/main/TQueueFileDialog.h"

#include <QFileDialog>

namespace {

QString qtMask(const QString& mask)
{
    QStringList patterns = mask.split(u';', Qt::SkipEmptyParts);
    for (QString& pattern : patterns) {
        pattern = pattern.trimmed();
        if (pattern == QLatin1String("*.*"))
            pattern = QStringLiteral("*");
    }
    return patterns.join(u' ');
}

} // namespace

QStringList QueueFileNameFilters(const QString& filterText)
{
    const QStringList parts = filterText.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        const QString mask = parts[i + 1].trimmed();
        const QString suffix = QStringLiteral("(%1)").arg(mask);
        if (description.endsWith(suffix))
            description = description.chopped(suffix.size()).trimmed();
        filters << QStringLiteral("%1 (%2)").arg(description, qtMask(mask));
    }
    return filters;
}

bool ChooseQueueFile(QWidget* parent, TQueueFileRequest& request)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(request.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDirectory(request.Directory);
    dialog.setDefaultSuffix(request.DefaultSuffix);
    dialog.setNameFilters(request.NameFilters);
    if (request.FilterIndex >= 0 && request.FilterIndex < request.NameFilters.size())
        dialog.selectNameFilter(request.NameFilters[request.FilterIndex]);
    dialog.selectFile(request.FileName);
    request.Chosen.clear();
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    request.Chosen = dialog.selectedFiles().constFirst();
    return true;
}
