#pragma once
#include <QtGlobal>

// Whether a COM port number stands for a device file worth showing to the
// user. On Windows the number is the port's own name; elsewhere the link
// maps it onto a device such as /dev/ttyS0.
#if defined(Q_OS_WIN)
inline constexpr bool kPortNumbersNameDevices = false;
#else
inline constexpr bool kPortNumbersNameDevices = true;
#endif
