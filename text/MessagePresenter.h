#pragma once
#include <string>

// The window that owns a message box. Opaque to the text layer: the window
// layer passes its own widget pointer; nullptr means the main window.
using MessageOwner = void*;

// Shows one modal message box and returns the answer code of the button the
// user pressed (MessageStyle.h). The desktop program brings a Qt presenter,
// the command-line tool a console one, tests a recording one.
class IMessagePresenter
{
public:
    virtual ~IMessagePresenter() = default;
    virtual int Present(MessageOwner owner, const std::string& text, const std::string& title,
                        unsigned style) = 0;
};
