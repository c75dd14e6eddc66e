#include "ui/main/TRemotePathBox.h"

#include <algorithm>

#include <QLineEdit>

TRemotePathBox::TRemotePathBox(QWidget* parent)
    : QComboBox(parent)
{
    setEditable(true);
    // The history follows the rule of showDirectory(), not what is typed; and a
    // completer would finish a typed path with a visited one.
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(20);
    connect(this, &QComboBox::currentIndexChanged, this, &TRemotePathBox::markCurrent);
    connect(this, &QComboBox::activated, this, [this](int index) { emit pathChosen(itemText(index)); });
    connect(lineEdit(), &QLineEdit::returnPressed, this, [this] { emit pathChosen(currentText()); });
}

void TRemotePathBox::setFolderIcons(const QIcon& closed, const QIcon& open)
{
    m_closed = closed;
    m_open = open;
    markCurrent(currentIndex());
}

void TRemotePathBox::showDirectory(const QString& path, int maxEntries)
{
    for (int i = 0; i < count(); ++i) {
        if (itemText(i).compare(path, Qt::CaseInsensitive) == 0) {
            setCurrentIndex(i);
            setEditText(itemText(i));
            return;
        }
    }
    addItem(m_closed, path);
    const int limit = std::max(1, maxEntries);
    while (count() > limit)
        removeItem(0);
    setCurrentIndex(count() - 1);
    setEditText(path);
}

void TRemotePathBox::clearDirectories()
{
    clear();
    clearEditText();
}

void TRemotePathBox::markCurrent(int index)
{
    // Few entries: every image is set again, which also covers indexes that moved
    // when the oldest entry went.
    for (int i = 0; i < count(); ++i)
        setItemIcon(i, i == index ? m_open : m_closed);
}
