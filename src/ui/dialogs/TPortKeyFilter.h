#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class QLineEdit;

// Keeps a port edit to digits: digits and Backspace pass (and hide the balloon),
// any other character is discarded and a balloon below the edit says why for
// three seconds. Keys that type nothing (arrows, Tab, shortcuts) pass untouched.
// Install one per edit; it is owned by the edit.
class TPortKeyFilter final : public QObject
{
    Q_OBJECT

public:
    static constexpr int kBalloonMs = 3000;

    // Installs itself on `edit`; `title` and `text` are the balloon's.
    TPortKeyFilter(QLineEdit* edit, QString title, QString text);

    void setTexts(QString title, QString text);
    // Whether the last key was refused and the balloon is up (tests).
    bool balloonShown() const { return m_balloonShown; }
    QString balloonTitle() const { return m_title; }
    QString balloonText() const { return m_text; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showBalloon();
    void hideBalloon();

    QLineEdit* m_edit;
    QString m_title;
    QString m_text;
    bool m_balloonShown = false;
    QTimer m_balloonTimer;
};
