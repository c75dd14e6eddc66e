#pragma once

#include <QDialog>
#include <QString>

#include "ui/dialogs/TFormLanguage.h"

class QLabel;
class QProgressBar;
class QPushButton;

// "Progress": what an operation on several remote files is doing, with a Cancel
// button.
//
// Usage (a loop on the user-interface thread):
//   TProgressForm progress(window);
//   progress.setTotalParts(files.size() - 1);
//   progress.setDescription(text);
//   progress.show();
//   for (file : files) {
//       progress.step(); progress.setDetail(file);
//       ... work on the file ...
//       if (progress.cancelled()) break;   // also lets the window's events run
//   }
//   progress.close();
// cancelled() processes pending events first, so a click on Cancel (or Escape,
// or closing the window) made while the last item was worked on is seen before
// the next one starts; the items already done stay done. Once cancelled, the
// dialog's result() is QDialog::Rejected. Tests call cancel() or click Button1.
// User-interface thread only.
class TProgressForm final : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kDesignTotalParts = 10;

    explicit TProgressForm(QWidget* parent = nullptr);

    void setTotalParts(int parts);
    int totalParts() const;
    // Parts complete; step() adds one (never past the total).
    int partsComplete() const;
    void step();
    void setDescription(const QString& text);
    // Shown shortened in the middle when it is too long for the window.
    void setDetail(const QString& text);
    const QString& detail() const { return m_detailText; }

    bool cancelled();
    bool isCancelled() const { return m_cancelled; }
    // As the Cancel button.
    void cancel();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    TFormLanguage m_language;
    QLabel* m_description = nullptr;
    QLabel* m_detail = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QString m_detailText;
    bool m_cancelled = false;
};
