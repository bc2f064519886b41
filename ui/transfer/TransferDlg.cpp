#include "ui/transfer/TransferDlg.h"

#include "core/ConfigStore.h"
#include "link/MicLink.h"
#include "link/Session.h"
#include "link/SystemPorts.h"
#include "text/MessageBoxes.h"
#include "text/MessageStyle.h"
#include "text/TextCatalog.h"
#include "ui/shared/DialogUnits.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

namespace {

constexpr int kDialogWidthDu = 207;
constexpr int kDialogHeightDu = 42;
const QRect kProgressRect(7, 21, 193, 14);
const QRect kCounterRect(132, 7, 68, 12);

} // namespace

QSize CTransferDlg::DialogSize(const QFont& font)
{
    const CDialogUnits units(font);
    return QSize(units.ToPixelsX(kDialogWidthDu), units.ToPixelsY(kDialogHeightDu));
}

CTransferDlg::CTransferDlg(TransferMode mode, CMicLink& link, CConfigStore& store,
                           const CTextCatalog& texts, const CMessageBoxes& boxes, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_mode(mode),
      m_link(link), m_store(store), m_texts(texts), m_boxes(boxes),
      m_transfer(link, store, texts, *this)
{
    setWindowTitle(QString::fromLatin1(kResourceCaption));
    setModal(true);
    const CDialogUnits units(font());
    setFixedSize(DialogSize(font()));

    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("progress%1").arg(kProgressId));
    m_bar->setGeometry(units.ToPixels(kProgressRect));
    m_bar->setTextVisible(false);

    m_counter = new QLabel(QString::fromLatin1(kResourceCounter), this);
    m_counter->setObjectName(QStringLiteral("counter%1").arg(kCounterId));
    m_counter->setGeometry(units.ToPixels(kCounterRect));
    m_counter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

CTransferDlg::~CTransferDlg() = default;

void CTransferDlg::CentreOnOwner()
{
    QRect area;
    if (const QWidget* owner = parentWidget())
        area = owner->window()->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid())
        move(area.center() - rect().center());
}

bool CTransferDlg::Run()
{
    setWindowIcon(QApplication::windowIcon());
    m_link.SetBlockSize(static_cast<int32_t>(Wire::kBlockSize));
    // A device plugged in since the ports were last listed gets its number.
    if (m_link.GetDeviceName().empty())
        NumberSystemPorts();
    CentreOnOwner();
    m_running = true;
    show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    const bool ok = m_transfer.Run(m_mode);

    m_running = false;
    close();
    return ok;
}

void CTransferDlg::SetCaption(const std::string& caption)
{
    setWindowTitle(QString::fromLatin1(caption.c_str()));
}

void CTransferDlg::SetCounterText(const std::string& text)
{
    m_counter->setText(QString::fromLatin1(text.c_str()));
}

void CTransferDlg::SetBarRange(int maximum)
{
    m_bar->setRange(0, maximum);
}

void CTransferDlg::SetBarPosition(int position)
{
    m_bar->setValue(position);
}

bool CTransferDlg::ReadDevice()
{
    return m_transfer.Move(TransferMode::Read).Ok();
}

bool CTransferDlg::WriteDevice()
{
    return m_transfer.Move(TransferMode::Write).Ok();
}

void CTransferDlg::ShowError(MessageOwner owner, int32_t textId) const
{
    m_boxes.ShowErrorById(owner, textId, TextId::kTitleError);
}

void CTransferDlg::OnFailure(TransferMode mode, const CSessionResult& result)
{
    ShowError(static_cast<QWidget*>(this), TransferMessageId(mode, result));
}

void CTransferDlg::OnCompleted(TransferMode mode)
{
    const bool read = mode == TransferMode::Read;
    m_boxes.ShowMessageById(
        static_cast<QWidget*>(this), read ? TextId::kReadingCompleted : TextId::kWritingCompleted,
        read ? TextId::kReadData : TextId::kWriteData, MessageStyle::kIconInformation);
}

int CTransferDlg::ConnectDevice(MessageOwner owner)
{
    CSessionHooks hooks;
    hooks.failed = [this, owner](const CSessionResult& result) {
        ShowError(owner, TransferMessageId(TransferMode::Read, result));
    };
    CSessionResult result;
    return CSession(m_link, std::move(hooks)).Connect(SessionWork::kRead, result) ? 0 : 1;
}

int CTransferDlg::CheckDevice(MessageOwner owner, CMutableBytes buffer)
{
    // The model's message comes once the port is closed; a failed
    // identification's before the session ends.
    CSessionHooks hooks;
    hooks.failed = [this, owner](const CSessionResult& result) {
        if (result.stage != SessionStage::kModel)
            ShowError(owner, TransferMessageId(TransferMode::Read, result));
    };
    CSessionResult result;
    if (CSession(m_link, std::move(hooks)).Check(buffer, result))
        return 0;
    if (result.stage == SessionStage::kModel)
        ShowError(owner, TextId::kCheckModelName);
    return 1;
}

void CTransferDlg::closeEvent(QCloseEvent* event)
{
    if (m_running)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void CTransferDlg::reject()
{
    // Escape does not close the window; it closes itself when done.
    if (!m_running)
        QDialog::reject();
}

bool AskTransfer(const CMessageBoxes& boxes, MessageOwner owner, TransferMode mode)
{
    return boxes.ShowMessageById(owner, TransferQuestionId(mode), TextId::kTitleConfirmation,
                                 MessageStyle::kOkCancel | MessageStyle::kIconQuestion) ==
           MessageAnswer::kOk;
}
