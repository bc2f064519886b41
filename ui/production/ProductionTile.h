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

// What a port's tile shows, read from across the room: one large word or
// two, in a colour of its own (the word says it too).
enum class TileLook
{
    kStarting,
    kReady,   // before Start: the port opens
    kPlugIn,  // the port waits for a microphone
    kLabel,   // a microphone waits for its label
    kReading, // the microphone is read before its write
    kWriting, // with the block and a bar
    kReadingBack,
    kRemoveOk, // done well: to be taken away
    kPutAside, // failed: to be put aside, until the port has seen it removed
    kNoPort,   // the port does not open, with doctor's finding
    kFinished,
};
// The tile's word for a look: "PLUG IN", "REMOVE — OK", "PUT ASIDE".
const char* TileWord(TileLook look);

// One port of a production run: the port and its device, its state as one
// large word with a smaller line beneath it (the block, the cause, doctor's
// finding), the label of the microphone in large type, a bar while blocks
// move, the last microphone's result and the counts so far. The type
// scales with the tile. Its accessible name says the port, the word, the
// line beneath it and the last result, so that a screen reader announces
// the tile.
class CProductionTile : public QFrame
{
public:
    // `device` is what the port opens; empty when it is not known.
    CProductionTile(const QString& port, const QString& device, bool verify,
                    QWidget* parent = nullptr);

    // `trouble` says why the port does not open (kNoPort); empty: nothing
    // is known.
    void SetState(PortState state, const QString& trouble = QString());
    // Before Start: the port opens (empty `trouble`), or why it does not.
    void SetChecked(const QString& trouble);
    // Block `n` of `total` starts to move.
    void SetBlock(int n, int total);
    // A microphone on this port ended as `record` says.
    void SetResult(const CMicRecord& record);
    // The label or serial number of the microphone now on the port.
    void SetLabel(const QString& label);
    // Why no new microphone is taken (the shop's record is away), beneath
    // PLUG IN; empty: it is back.
    void SetRecordTrouble(const QString& trouble);

    // Labels: the tile gets a field for the label of each microphone.
    // `given` hears a label that passed the tile's own check (Enter in the
    // field) and answers why it is refused after all (used already), or
    // nothing when it is taken.
    void UseLabels(std::function<std::string(const std::string& label)> given);
    // The port has a microphone and waits for its label: the field takes
    // the focus (a barcode scanner types into it and presses Enter).
    void AskLabel();
    QLineEdit* LabelField() const { return m_labelField; }

    TileLook Look() const { return m_look; }
    // The large word, and the line beneath it.
    QString WordText() const;
    QString DetailText() const;
    QString LabelText() const;
    QString BarText() const;
    QString ResultText() const;
    QString CountsText() const;
    // The colour the result is shown on, and the tile's own.
    QColor ResultColour() const;
    QColor LookColour() const;
    // The pixel height of the large word's type.
    int WordPixelSize() const;
    int LabelPixelSize() const;
    // Whether the block bar is shown (while blocks move).
    bool BarShown() const;

    // Whether the last microphone failed and stays to be put aside: the tile
    // is red and says so until the microphone has been removed.
    bool PutAside() const { return m_putAside; }

    const CMicTally& Tally() const { return m_tally; }
    int Done() const { return m_tally.Done(); }
    int Failed() const { return m_tally.failed; }
    int Unchanged() const { return m_tally.unchanged; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Show(TileLook look, const QString& detail);
    void Announce();
    void FitType();
    void TakeLabel();

    const QString m_port;
    const bool m_verify;
    QString m_recordTrouble;
    TileLook m_look = TileLook::kStarting;
    QLabel* m_title;
    QLabel* m_word;
    QLabel* m_detail;
    QLabel* m_label;
    QProgressBar* m_bar;
    QLabel* m_result;
    QLabel* m_counts;
    CMicTally m_tally;
    bool m_putAside = false;
    QString m_cause; // why the microphone to put aside failed
    QLineEdit* m_labelField = nullptr;
    std::function<std::string(const std::string& label)> m_labelGiven;
};
