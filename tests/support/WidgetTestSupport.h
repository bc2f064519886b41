#pragma once
#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

// Key presses and releases as the window system delivers them to a widget:
// they pass the widget's event filters and its own handling.
inline void SendKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                    const QString& text = QString(), bool autoRepeat = false)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text, autoRepeat);
    QCoreApplication::sendEvent(target, &press);
}

inline void ReleaseKey(QWidget* target, int key, bool autoRepeat = false)
{
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(), autoRepeat);
    QCoreApplication::sendEvent(target, &release);
}

// Types one character: the key press carries the character as its text.
inline void TypeChar(QWidget* target, char ch)
{
    const int key = (ch >= 'a' && ch <= 'z') ? Qt::Key_A + (ch - 'a') : ch;
    SendKey(target, key, Qt::NoModifier, QString(QLatin1Char(ch)));
}

// Delivers posted events: injected keys, select-all requests, notifications.
inline void DeliverPosted()
{
    constexpr int kRounds = 3;
    for (int i = 0; i < kRounds; ++i)
        QCoreApplication::sendPostedEvents();
}
