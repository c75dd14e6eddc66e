#pragma once

#include <QDialog>
#include <QString>

#include "ui/dialogs/TFormLanguage.h"

class QCheckBox;
class QKeyEvent;
class QLabel;
class QPushButton;
class QTextEdit;

// "Tip of the day": one tip of the tip file of the setting Language, the next
// one each time the window is made (the position is LastTipIndex). Next tip
// and Previous tip step through the file, read again at every press.
//
// OK, Escape and the close box close it; each stores the state of "Show tip on
// startup" as ShowTipOnStartup. A tip that has a help topic shows the read-more
// link (which does nothing yet).
//
// Usage: TTipOfTheDayForm tip(this); tip.exec();
// User-interface thread only.
class TTipOfTheDayForm final : public QDialog
{
    Q_OBJECT

public:
    explicit TTipOfTheDayForm(QWidget* parent = nullptr);

    // The text shown, without formatting.
    QString tipText() const;
    // The help topic the read-more link stands for; -1 before any tip had one.
    int readMoreHelpID() const { return m_helpID; }

    void NextTipButtonClick();
    void PreviousTipButtonClick();

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildWidgets();
    // Takes the next (+1) or previous (-1) tip and shows it.
    void showTip(int direction);
    void loadText(const QString& text);

    TFormLanguage m_language;
    int m_helpID = -1;
    QLabel* m_didYouKnow = nullptr;
    QTextEdit* m_tip = nullptr;
    QLabel* m_readMore = nullptr;
    QCheckBox* m_showOnStartup = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_nextTip = nullptr;
    QPushButton* m_previousTip = nullptr;
};
