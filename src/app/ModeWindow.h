#pragma once

#include "app/CompetitionOpening.h"

#include <QDialog>

class QLabel;
class QRadioButton;

namespace onda {

// frmModalita: asks whether a competition opens on-line or off-line.
class ModeWindow : public QDialog {
    Q_OBJECT
public:
    // `onlineRefusal`: why ON-LINE cannot work for this competition, shown beside it
    // disabled; empty when it can.
    explicit ModeWindow(QWidget* parent = nullptr, const QString& onlineRefusal = {});

    // Shown modally with its top-left corner at the centre of `mainWindow`.
    static OpeningMode ask(QWidget* mainWindow, const QString& onlineRefusal = {});

    OpeningMode answer() const { return m_answer; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    void answerWith(OpeningMode mode);

    QRadioButton* m_online = nullptr;
    QRadioButton* m_offline = nullptr;
    QLabel* m_onlineLabel = nullptr;
    QLabel* m_offlineLabel = nullptr;
    QLabel* m_value = nullptr; // valore
    OpeningMode m_answer = OpeningMode::Cancelled;
};

} // namespace onda
