#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

// The remote list's find dialog: a text and "Find next", without the match case,
// whole word and direction options. Not modal: it stays open while the user
// steps through the hits (findNext for each press).
class TRemoteFindDialog final : public QDialog
{
    Q_OBJECT

public:
    explicit TRemoteFindDialog(QWidget* parent = nullptr);

    QString findText() const;
    void setFindText(const QString& text);
    QLineEdit* findEdit() const { return m_edit; }

signals:
    void findNext(const QString& text);

private:
    QLineEdit* m_edit;
    QPushButton* m_findNext;
};
