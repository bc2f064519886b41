#pragma once
#include "link/ByteSpan.h"
#include "link/Transfer.h"
#include "text/MessagePresenter.h"

#include <QDialog>

class CConfigStore;
class CMessageBoxes;
class CMicLink;
class CTextCatalog;
class QLabel;
class QProgressBar;

// The modal progress window of a read or write: it opens the port, runs the
// transfer through the application's link, follows the blocks with a counter
// and a bar, shows the outcome in its message boxes and closes itself. The
// user cannot close it.
class CTransferDlg : public QDialog, public ITransferView
{
    Q_OBJECT

public:
    static constexpr int kResourceId = 133;
    static constexpr int kProgressId = 1037;
    static constexpr int kCounterId = 1036;
    static constexpr const char* kResourceCaption = "Read Write Data";
    static constexpr const char* kResourceCounter = "Block 0 / 256";

    CTransferDlg(TransferMode mode, CMicLink& link, CConfigStore& store, const CTextCatalog& texts,
                 const CMessageBoxes& boxes, QWidget* parent = nullptr);
    ~CTransferDlg() override;

    // Shows the window modally, runs the transfer and closes the window.
    // True when every block was moved.
    bool Run();

    // The steps of the transfer; each failure is shown in its box, owned by
    // the window, before the step returns.
    // Reads every block into the store's transfer copy.
    bool ReadDevice();
    // Sends the working image, through the transfer copy.
    bool WriteDevice();
    // Enters programming mode: 0, or 1 with the message shown and the port
    // closed.
    int ConnectDevice(MessageOwner owner);
    // Identifies the microphone into `buffer` (16 bytes or more) and checks
    // its model: 0, or 1 with the message shown and the port closed.
    int CheckDevice(MessageOwner owner, CMutableBytes buffer);

    void SetCaption(const std::string& caption) override;
    void SetCounterText(const std::string& text) override;
    void SetBarRange(int maximum) override;
    void SetBarPosition(int position) override;
    void OnFailure(TransferMode mode, const CSessionResult& result) override;
    void OnCompleted(TransferMode mode) override;

    QLabel* Counter() const { return m_counter; }
    QProgressBar* Bar() const { return m_bar; }
    bool IsRunning() const { return m_running; }

    // The window's size in pixels for its font: 207 by 42 dialog units.
    static QSize DialogSize(const QFont& font);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void CentreOnOwner();
    void ShowError(MessageOwner owner, int32_t textId) const;

    TransferMode m_mode;
    CMicLink& m_link;
    CConfigStore& m_store;
    const CTextCatalog& m_texts;
    const CMessageBoxes& m_boxes;
    QLabel* m_counter = nullptr;
    QProgressBar* m_bar = nullptr;
    bool m_running = false;
    CTransfer m_transfer;
};

// Asks "Is it OK to read data?" or "Is it OK to write data?" with OK and
// Cancel, owned by `owner`; true only for OK.
bool AskTransfer(const CMessageBoxes& boxes, MessageOwner owner, TransferMode mode);
