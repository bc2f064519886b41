#pragma once
#include <QEvent>
#include <QLineEdit>

#include <cstdint>

class QKeyEvent;

// A single-line edit box that lets through only the characters of its
// filter kind. Kind 0 takes nothing, kind 1 everything, kind 6 hexadecimal
// digits and Backspace, a typed "a" to "f" becoming "A" to "F". The owner
// sets the length limit with setMaxLength.
//
// On gaining the focus the field selects its whole text and posts the
// notification kFocusNotify to its parent. It offers no context menu.
class CInputChar : public QLineEdit
{
    Q_OBJECT

public:
    enum Kind : uint8_t
    {
        kKindNone = 0,
        kKindAny = 1,
        kKindHex = 6
    };
    static constexpr int kFocusMessage = 1054;
    // The event posted to the parent on focus-in; it carries no parameters.
    static constexpr QEvent::Type kFocusNotify =
        static_cast<QEvent::Type>(QEvent::User + kFocusMessage);

    explicit CInputChar(QWidget* parent = nullptr);

    void SetKind(uint8_t kind) { m_kind = kind; }
    uint8_t Kind() const { return m_kind; }
    // Whether the key, upper-cased, would pass the filter; keys that type
    // nothing or a character at or below the space would not. Nothing is typed.
    bool WouldAccept(const QKeyEvent& key) const;

    // The character a key event types, control characters included; 0 for none.
    static int TypedChar(const QKeyEvent& key);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    enum class Verdict
    {
        kAccept,
        kDrop
    };
    // With fold set, a lower-case hex letter for kind 6 is dropped and its
    // upper-case form posted to the field in its place.
    Verdict Filter(int ch, bool fold, const QKeyEvent* key);

    uint8_t m_kind = kKindNone;
};
