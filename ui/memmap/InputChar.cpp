#include "ui/memmap/InputChar.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace {
constexpr int kBackspace = 0x08;
constexpr int kSpace = 0x20;
constexpr int kControlOffset = 0x40; // Ctrl+A types 0x01, and so on

bool IsHexDigitOrUpper(int ch)
{
    return (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F');
}
} // namespace

CInputChar::CInputChar(QWidget* parent) : QLineEdit(parent)
{
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
}

int CInputChar::TypedChar(const QKeyEvent& key)
{
    // Keys that the edit box and the dialog handle as keys, not as typed
    // characters: Enter, Esc, Tab and Delete.
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
        return 0;
    default:
        break;
    }
    const QString text = key.text();
    if (!text.isEmpty())
        return text.at(0).unicode();
    // Some platforms give no text for control characters.
    if ((key.modifiers() & Qt::ControlModifier) && key.key() >= Qt::Key_A && key.key() <= Qt::Key_Z)
        return key.key() - kControlOffset;
    return 0;
}

CInputChar::Verdict CInputChar::Filter(int ch, bool fold, const QKeyEvent* key)
{
    switch (m_kind) {
    case kKindAny:
        return Verdict::kAccept;
    case kKindHex:
        if (ch == kBackspace || IsHexDigitOrUpper(ch))
            return Verdict::kAccept;
        if (ch >= 'a' && ch <= 'f' && fold && key != nullptr) {
            const QChar upper = QChar(static_cast<char16_t>(ch)).toUpper();
            QCoreApplication::postEvent(this, new QKeyEvent(QEvent::KeyPress, key->key(),
                                                            key->modifiers(), QString(upper)));
        }
        return Verdict::kDrop;
    default:
        return Verdict::kDrop;
    }
}

bool CInputChar::WouldAccept(const QKeyEvent& key) const
{
    const int ch = TypedChar(key);
    if (ch <= kSpace)
        return false;
    const int upper = QChar(static_cast<char16_t>(ch)).toUpper().unicode();
    return const_cast<CInputChar*>(this)->Filter(upper, false, nullptr) == Verdict::kAccept;
}

void CInputChar::keyPressEvent(QKeyEvent* event)
{
    const int ch = TypedChar(*event);
    if (ch != 0 && Filter(ch, true, event) == Verdict::kDrop) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CInputChar::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    QMetaObject::invokeMethod(this, &QLineEdit::selectAll, Qt::QueuedConnection);
    if (parentWidget() != nullptr)
        QCoreApplication::postEvent(parentWidget(), new QEvent(kFocusNotify));
}
