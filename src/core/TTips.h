#pragma once

#include <vector>

#include <QString>
#include <QStringList>

#include "core/TTipOfTheDay.h"

// The tips of the day of one language, from "Tips - <language>.xml" in the data
// folder: root "TipList", one "Tip" element per tip in display order, its text in
// a child "Content" and an optional integer attribute "HelpID".
//
// The position is the setting LastTipIndex, the index of the tip shown last,
// shared by all languages. A TTips lives for one request: the tip window makes a
// new one for every tip it shows, so edits to the file show at the next press.
//
// When the file is missing, the tip file shipped with the program for that
// language is installed; for a language without one, an empty file is created.
class TTips final
{
public:
    static const QString kTipFileNotFound; // "Tip file not found."

    // `notFoundText` is what Next() and Previous() return when there is no tip
    // (the tip window's translated "Tip file not found."); empty means English.
    explicit TTips(const QString& language, const QString& notFoundText = QString());

    // The next tip's text; after the last comes the first. The first tip ever
    // shown (LastTipIndex at its default 0) is therefore the second of the file.
    QString Next();
    // The previous tip's text; before the first comes the last.
    QString Previous();

    // The tip shown last by this object, or null.
    const TTipOfTheDay* current() const { return m_current; }
    // The current tip's help topic; -1 when there is none or no current tip.
    int HelpID() const { return m_current ? m_current->HelpID : -1; }

    const std::vector<TTipOfTheDay>& tips() const { return m_tips; }
    int count() const { return static_cast<int>(m_tips.size()); }
    const QString& filePath() const { return m_filePath; }
    const QString& loadError() const { return m_loadError; }

    // "Tips - <language>.xml"; path separators in the language become "_", so a
    // stray setting can never name a file outside the data folder.
    static QString TipFileName(const QString& language);
    // The languages a tip file ships for.
    static QStringList ShippedLanguages();
    // Copies the shipped tip file of `language` into `folder` unless a file of
    // that name exists. False when none ships or it could not be written.
    static bool InstallShippedTipFile(const QString& language, const QString& folder);
    // The same for every shipped language, into the data folder.
    static void InstallShippedTipFiles();

private:
    QString step(int delta);
    int lastIndex() const;
    void setLastIndex(int index);

    QString m_filePath;
    QString m_notFoundText;
    QString m_loadError;
    std::vector<TTipOfTheDay> m_tips;
    const TTipOfTheDay* m_current = nullptr;
    // Used only while no settings store exists (tests, tools).
    static int s_fallbackIndex;
};
