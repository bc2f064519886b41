#pragma once
#include <QIcon>

// The picture on the COM port button: the front of a nine-pin serial
// connector, drawn at run time in the button text's colour.
QIcon PortIcon(const QColor& colour);
