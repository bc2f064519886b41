#pragma once
#include "job/MicTally.h"
#include "job/PortStation.h"

#include <QFrame>
#include <QString>

#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QProgressBar;

// One port of a production run: the port and its device, what the port is
// doing, the block that moves, the last microphone's result in words and
// colour, and the counts so far. Its accessible name says the port, the
// state and the last result, so that a screen reader announces the tile.
class CProductionTile : public QFrame
{
public:
    // `device` is what the port opens; empty when it is not known.
    CProductionTile(const QString& port, const QString& device, bool verify,
                    QWidget* parent = nullptr);

    // `trouble` says why the port does not open (kNoPort); empty: nothing
    // is known.
    void SetState(PortState state, const QString& trouble = QString());
    // Block `n` of `total` starts to move.
    void SetBlock(int n, int total);
    // A microphone on this port ended as `record` says.
    void SetResult(const CMicRecord& record);

    // Labels: the tile gets a field for the label of each microphone.
    // `given` hears a label that passed the tile's own check (Enter in the
    // field) and answers why it is refused after all (used already), or
    // nothing when it is taken.
    void UseLabels(std::function<std::string(const std::string& label)> given);
    // The port has a microphone and waits for its label: the field takes
    // the focus (a barcode scanner types into it and presses Enter).
    void AskLabel();
    QLineEdit* LabelField() const { return m_labelField; }

    QString StateText() const;
    QString BarText() const;
    QString ResultText() const;
    QString CountsText() const;
    // The colour the result is shown on.
    QColor ResultColour() const;

    // Whether the last microphone failed and stays to be put aside: the tile
    // is red and says so until the microphone has been removed.
    bool PutAside() const { return m_putAside; }

    const CMicTally& Tally() const { return m_tally; }
    int Done() const { return m_tally.Done(); }
    int Failed() const { return m_tally.failed; }
    int Unchanged() const { return m_tally.unchanged; }

private:
    void Announce();
    void ShowPutAside(bool on);
    void TakeLabel();

    const QString m_port;
    const bool m_verify;
    QLabel* m_title;
    QLabel* m_state;
    QProgressBar* m_bar;
    QLabel* m_result;
    QLabel* m_counts;
    CMicTally m_tally;
    bool m_putAside = false;
    QLineEdit* m_labelField = nullptr;
    std::function<std::string(const std::string& label)> m_labelGiven;
};
