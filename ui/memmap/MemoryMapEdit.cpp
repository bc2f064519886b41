#include "ui/memmap/MemoryMapDlg.h"

#include "grid/GridEditor.h"
#include "ui/memmap/InputChar.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>

#include <algorithm>

// Editing single bytes, jumping to an address and the dialog's keys.

namespace {
constexpr int kValueMaxHex = 2;
constexpr int kValueMaxChar = 1;
constexpr int kHexBase = 16;
constexpr int kBlockBytes = 256;
constexpr int kMinTopRow = 1;

// Hexadecimal digits only, in either case; typed text is upper-case, pasted
// text may not be.
bool IsHexText(const QString& text)
{
    if (text.isEmpty())
        return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f');
    });
}
} // namespace

// ---- editing ----

void CMemoryMapDlg::SetValueBoxFor(int col)
{
    if (IsByteCol(col)) {
        m_valueBox->SetKind(CInputChar::kKindHex);
        m_valueBox->setMaxLength(kValueMaxHex);
    } else {
        m_valueBox->SetKind(CInputChar::kKindAny);
        m_valueBox->setMaxLength(kValueMaxChar);
    }
}

void CMemoryMapDlg::BeginEdit()
{
    const int col = m_table->GetCol();
    if (col == kSeparatorCol) {
        m_table->SetCol(kFirstCharCol);
        return;
    }
    SetValueBoxFor(col);
    m_editRow = m_table->GetRow();
    m_editCol = col;
    m_table->OpenEditEditor(m_valueBox, m_table->GetTextMatrix(m_editRow, m_editCol), 1, this);
}

void CMemoryMapDlg::CommitEdit()
{
    if (m_table->Overlay() != m_valueBox)
        return;
    const int row = m_editRow;
    const int col = m_editCol;
    const int offset = ByteOffset(row, col);
    if (CellAddress(row, col) < 0 || offset < 0 || static_cast<std::size_t>(offset) >= m_size) {
        m_table->CloseEditor(1);
        return;
    }
    QString text = m_valueBox->text();
    if (IsByteCol(col)) {
        if (text.isEmpty())
            text = QStringLiteral("FF");
        else if (text.size() == 1)
            text.prepend(QLatin1Char('0'));
        if (!IsHexText(text)) {
            // Only pasted text can get here: the byte keeps its value.
            text = m_table->GetSavedCellText();
        }
        const uint8_t byte = static_cast<uint8_t>(text.toUInt(nullptr, kHexBase));
        m_table->SetTextMatrix(row, col, ByteText(byte));
        if (m_asciiShown)
            m_table->SetTextMatrix(row, col + kSeparatorCol, CharText(byte));
        m_work[offset] = byte;
    } else {
        const QByteArray latin = text.left(1).toLatin1();
        const uint8_t byte = latin.isEmpty() ? 0 : static_cast<uint8_t>(latin.at(0));
        m_table->SetTextMatrix(row, col, CharText(byte));
        m_table->SetTextMatrix(row, col - kSeparatorCol, ByteText(byte));
        m_work[offset] = byte;
    }
    m_table->CloseEditor(1);
}

void CMemoryMapDlg::MoveCurrent(int row, int col)
{
    m_moving = true;
    m_table->SetRow(row);
    m_table->SetCol(col);
    m_moving = false;
}

void CMemoryMapDlg::JumpToAddress()
{
    const QString text = m_addressBox->text();
    if (IsHexText(text)) {
        const long a = static_cast<long>(text.toUInt(nullptr, kHexBase)) - m_baseAddress;
        if (a >= m_startOffset && a < m_startOffset + static_cast<long>(kBytesPerLine) * m_lines) {
            const long inView = a - m_startOffset;
            m_moving = true;
            m_table->SetRow(m_lines - static_cast<int>(inView / kBytesPerLine));
            m_table->SetCol(static_cast<int>(inView % kBytesPerLine) + 1);
            if (m_lines > kBytesPerLine) {
                const long top = m_lines - (inView / kBlockBytes) * kBytesPerLine - kLinesAbove;
                m_table->SetTopRow(static_cast<int>(std::max<long>(top, kMinTopRow)));
            }
            m_moving = false;
        }
    }
    UpdateAddressDisplay();
}

// ---- keys and focus ----

bool CMemoryMapDlg::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        if (HandleKey(watched, static_cast<QKeyEvent*>(event)))
            return true;
        break;
    case QEvent::FocusOut:
        if (watched == m_valueBox)
            CommitEdit();
        else if (watched == m_addressBox)
            JumpToAddress();
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void CMemoryMapDlg::SendKeyToTable(int key, Qt::KeyboardModifiers modifiers)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(m_table, &press);
}

bool CMemoryMapDlg::HandleKey(QObject* target, QKeyEvent* key)
{
    const int code = key->key();
    if (target == m_table)
        return HandleTableKey(key);
    if (target == m_valueBox) {
        if (code == Qt::Key_Return || code == Qt::Key_Enter) {
            m_table->setFocus(Qt::OtherFocusReason);
            QCoreApplication::postEvent(
                m_table, new QKeyEvent(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier));
            return true;
        }
        if (code == Qt::Key_Escape) {
            m_valueBox->setText(m_table->GetSavedCellText());
            m_table->setFocus(Qt::OtherFocusReason);
            return true;
        }
        return false;
    }
    if (target == m_addressBox && (code == Qt::Key_Return || code == Qt::Key_Enter)) {
        m_table->setFocus(Qt::OtherFocusReason);
        return true;
    }
    if (target == m_closeButton && (code == Qt::Key_Return || code == Qt::Key_Enter)) {
        m_closeButton->click();
        return true;
    }
    return false;
}

bool CMemoryMapDlg::HandleTableKey(QKeyEvent* key)
{
    const int code = key->key();
    const Qt::KeyboardModifiers modifiers = key->modifiers();
    const bool ctrl = (modifiers & Qt::ControlModifier) != 0;
    const int row = m_table->GetRow();
    const int col = m_table->GetCol();

    if ((code == Qt::Key_Tab || code == Qt::Key_Backtab) && ctrl && m_asciiShown) {
        if (IsByteCol(col))
            m_table->SetCol(col + kSeparatorCol);
        else if (col == kSeparatorCol)
            m_table->SetCol(1);
        else if (IsCharCol(col))
            m_table->SetCol(col - kSeparatorCol);
        return true;
    }
    switch (code) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        BeginEdit();
        return true;
    case Qt::Key_Right:
        if (col == kLastByteCol || (m_asciiShown && col == kLastCharCol && row != 1)) {
            if (row != 1)
                m_table->SetCol(col == kLastByteCol ? 1 : kFirstCharCol);
            SendKeyToTable(Qt::Key_Up, modifiers);
            return true;
        }
        return false;
    case Qt::Key_Left:
        if (col == 1 && row != m_lines) {
            m_table->SetCol(kLastByteCol);
            SendKeyToTable(Qt::Key_Down, modifiers);
            return true;
        }
        if (m_asciiShown && col == kFirstCharCol) {
            if (row != m_lines)
                m_table->SetCol(kLastCharCol);
            SendKeyToTable(Qt::Key_Down, modifiers);
            return true;
        }
        return false;
    case Qt::Key_Home:
        if (m_asciiShown && col >= kFirstCharCol) {
            m_table->SetCol(kFirstCharCol);
            if (ctrl) {
                m_table->SetRow(1);
                m_table->BringCellIntoView();
            }
            return true;
        }
        return false;
    case Qt::Key_End:
        if (m_asciiShown && IsByteCol(col)) {
            m_table->SetCol(kLastByteCol);
            if (ctrl) {
                m_table->SetRow(m_lines);
                m_table->BringCellIntoView();
            }
            return true;
        }
        return false;
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        BeginEdit();
        m_valueBox->clear();
        return true;
    default:
        break;
    }
    SetValueBoxFor(col);
    if (!m_valueBox->WouldAccept(*key))
        return false;
    BeginEdit();
    if (m_valueBox->isEnabled() && m_valueBox->isVisible()) {
        QCoreApplication::postEvent(m_valueBox, new QKeyEvent(QEvent::KeyPress, code, modifiers,
                                                              key->text(), key->isAutoRepeat()));
    }
    return true;
}
