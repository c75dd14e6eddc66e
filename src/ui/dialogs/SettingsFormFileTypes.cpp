// The file transfer types page of TSettingsForm: its list, read from and written
// to the file transfer types store, and the Add, Delete and sorting commands.

#include "ui/dialogs/SettingsFormUnit.h"

#include <algorithm>

#include <QCollator>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QSignalBlocker>
#include <QTreeWidget>

#include "core/Format.h"
#include "queue/TFileTransferTypes.h"
#include "ui/dialogs/TMessageDialog.h"

namespace {

constexpr int kNumberRole = Qt::UserRole; // row -> 0 binary, 1 ASCII
constexpr int kAsciiNumber = 1;

// The values of the store's file; only "ASCII" means text.
const QString kAscii = QStringLiteral("ASCII");
const QString kBinary = QStringLiteral("Binary");

} // namespace

void TSettingsForm::loadFileTypes()
{
    m_fileTypes->clear();
    TFileTransferTypes* types = FileTransferTypes();
    if (!types)
        return;
    types->Load();
    const QString binary = m_language.text(QStringLiteral("strBinary"));
    for (const TFileTransferTypes::TPair& pair : types->TypeList()) {
        if (pair.second == kAscii)
            addFileTypeRow(pair.first, kAscii, kAsciiNumber);
        else
            addFileTypeRow(pair.first, binary, 0);
    }
    sortFileTypes();
}

void TSettingsForm::writeFileTypes()
{
    TFileTransferTypes* types = FileTransferTypes();
    if (!types)
        return;
    QList<TFileTransferTypes::TPair> pairs;
    pairs.reserve(m_fileTypes->topLevelItemCount());
    for (int i = 0; i < m_fileTypes->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = m_fileTypes->topLevelItem(i);
        pairs.append({row->text(0), row->data(0, kNumberRole).toInt() == kAsciiNumber ? kAscii : kBinary});
    }
    types->setTypeList(std::move(pairs));
    QString error;
    if (!types->Save(&error)) {
        // The table in memory holds the rows; only the file is behind.
        TMessageRequest request;
        request.Type = TMessageRequest::TType::Error;
        request.Text = Format(m_language.text(QStringLiteral("strSaveError")), {error});
        TMessageDialog::show(this, m_language, request);
    }
}

QTreeWidgetItem* TSettingsForm::addFileTypeRow(const QString& extension, const QString& typeText, int number)
{
    auto* row = new QTreeWidgetItem(m_fileTypes);
    row->setText(0, extension);
    row->setText(1, typeText);
    row->setData(0, kNumberRole, number);
    return row;
}

void TSettingsForm::FileTransferTypesListViewSelectItem()
{
    const QList<QTreeWidgetItem*> selected = m_fileTypes->selectedItems();
    if (selected.size() != 1)
        return;
    m_extension->setText(selected.first()->text(0));
    m_transferType->setCurrentIndex(selected.first()->data(0, kNumberRole).toInt() == kAsciiNumber ? 1 : 0);
}

void TSettingsForm::AddFileTransferTypeButtonClick()
{
    const QString extension = m_extension->text();
    if (extension.isEmpty())
        return;
    QTreeWidgetItem* row = nullptr;
    for (int i = 0; i < m_fileTypes->topLevelItemCount() && !row; ++i)
        if (m_fileTypes->topLevelItem(i)->text(0).compare(extension, Qt::CaseInsensitive) == 0)
            row = m_fileTypes->topLevelItem(i);
    // Read before the selection below copies the row back into the controls.
    const QString typeText = m_transferType->currentText();
    const int number = std::max(0, m_transferType->currentIndex());
    if (!row)
        row = addFileTypeRow(extension, typeText, number);
    row->setText(1, typeText);
    row->setData(0, kNumberRole, number);
    m_fileTypes->clearSelection();
    m_fileTypes->setCurrentItem(row);
    row->setSelected(true);
    m_fileTypes->scrollToItem(row);
}

void TSettingsForm::DeleteFileTransferTypeButtonClick()
{
    const QList<QTreeWidgetItem*> selected = m_fileTypes->selectedItems();
    if (selected.isEmpty())
        return;
    TMessageRequest request;
    request.Type = TMessageRequest::TType::Confirmation;
    request.Text = Format(m_language.text(QStringLiteral("IDS_16")), {static_cast<int>(selected.size())});
    request.Buttons = QMessageBox::Yes | QMessageBox::No;
    request.DefaultButton = QMessageBox::No;
    if (TMessageDialog::show(this, m_language, request) != QMessageBox::Yes)
        return;
    qDeleteAll(selected);
}

void TSettingsForm::FileTransferTypesListViewColumnClick(int column)
{
    if (column == m_sortColumn)
        m_sortDescending = !m_sortDescending;
    else
        m_sortColumn = column;
    sortFileTypes();
}

void TSettingsForm::sortFileTypes()
{
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const int column = m_sortColumn;
    const bool descending = m_sortDescending;
    // Taking the rows out drops their selection, which is part of what the user sees.
    const QList<QTreeWidgetItem*> selected = m_fileTypes->selectedItems();
    QTreeWidgetItem* current = m_fileTypes->currentItem();
    QList<QTreeWidgetItem*> rows;
    while (m_fileTypes->topLevelItemCount() > 0)
        rows.append(m_fileTypes->takeTopLevelItem(0));
    std::stable_sort(rows.begin(), rows.end(), [&](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        const int order = collator.compare(a->text(column), b->text(column));
        return descending ? order > 0 : order < 0;
    });
    const QSignalBlocker blocker(m_fileTypes);
    m_fileTypes->addTopLevelItems(rows);
    if (current)
        m_fileTypes->setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
    for (QTreeWidgetItem* row : selected)
        row->setSelected(true);
    m_fileTypes->header()->setSortIndicator(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}
