#include "link/QtSerialDevice.h"

#include "link/PortLock.h"
#include "link/TickClock.h"

#include <QString>

namespace {

// Time a write may take beyond the bytes' own time on the line.
constexpr int kWriteSlackMs = 1000;
// Bits of the longest frame: start, 8 data, parity and 2 stop bits.
constexpr uint32_t kMaxBitsPerByte = 12;

QSerialPort::Parity ToParity(char parity)
{
    switch (parity) {
    case 'E':
        return QSerialPort::EvenParity;
    case 'O':
        return QSerialPort::OddParity;
    case 'M':
        return QSerialPort::MarkParity;
    case 'S':
        return QSerialPort::SpaceParity;
    default:
        return QSerialPort::NoParity;
    }
}

QSerialPort::StopBits ToStopBits(int halfStopBits)
{
    switch (halfStopBits) {
    case 3:
        return QSerialPort::OneAndHalfStop;
    case 4:
        return QSerialPort::TwoStop;
    default:
        return QSerialPort::OneStop;
    }
}

} // namespace

CQtSerialDevice::CQtSerialDevice(ITickClock& clock) : m_clock(clock) {}

CQtSerialDevice::~CQtSerialDevice()
{
    Close();
}

bool CQtSerialDevice::Open(const std::string& name)
{
    m_port.setPortName(QString::fromLocal8Bit(name.c_str()));
    m_port.setReadBufferSize(0);
    m_openFailure = {};
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_openFailure = {COpenFailure::Kind::Other, m_port.errorString().toStdString()};
        if (m_port.error() == QSerialPort::DeviceNotFoundError)
            m_openFailure.kind = COpenFailure::Kind::NoDevice;
        else if (m_port.error() == QSerialPort::PermissionError &&
                 SerialPlatform::IsAccessDenied(name))
            m_openFailure.kind = COpenFailure::Kind::PermissionDenied;
        return false;
    }
    m_lockedName = name;
    NotePortLock(name);
    m_haveCounts = SerialPlatform::ReadLineErrorCounts(m_port, m_counts);
    m_flags = m_flagsSource ? m_flagsSource(m_port) : SerialPlatform::SerialFlagsOf(m_port);
    m_lowLatency = m_flags ? m_lowLatencyRequest.Request(*m_flags) : LowLatency::NotOffered;
    return true;
}

bool CQtSerialDevice::Close()
{
    if (m_flags) {
        m_lowLatencyRequest.Restore(*m_flags);
        m_flags.reset();
    }
    m_lowLatency = LowLatency::NotOffered;
    if (m_port.isOpen()) {
        m_port.close();
        ForgetPortLock(m_lockedName);
    }
    return true;
}

bool CQtSerialDevice::SetQueueSizes(uint16_t inSize, uint16_t outSize)
{
    // QSerialPort buffers without limit on top of the driver's queues.
    return m_port.isOpen() && SerialPlatform::SetQueueSizes(m_port, inSize, outSize);
}

bool CQtSerialDevice::SetLine(const CLineSettings& settings)
{
    if (!m_port.isOpen())
        return false;
    const bool ok = m_port.setBaudRate(static_cast<qint32>(settings.rate)) &&
                    m_port.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits)) &&
                    m_port.setParity(ToParity(settings.parity)) &&
                    m_port.setStopBits(ToStopBits(settings.halfStopBits)) &&
                    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (ok)
        m_rate = settings.rate;
    m_port.clearError();
    return ok;
}

bool CQtSerialDevice::SetModemLine(bool dtr, bool on)
{
    if (!m_port.isOpen())
        return false;
    const bool ok = dtr ? m_port.setDataTerminalReady(on) : m_port.setRequestToSend(on);
    m_port.clearError();
    // A device without modem-control lines (a pseudo-terminal) counts them as set.
    return ok || !SerialPlatform::HasModemLines(m_port);
}

bool CQtSerialDevice::SetDtr(bool on)
{
    return SetModemLine(true, on);
}

bool CQtSerialDevice::SetRts(bool on)
{
    return SetModemLine(false, on);
}

bool CQtSerialDevice::PurgeInput()
{
    if (!m_port.isOpen())
        return false;
    const bool ok = m_port.clear(QSerialPort::Input);
    m_port.clearError();
    return ok;
}

bool CQtSerialDevice::Write(const uint8_t* data, std::size_t count)
{
    if (!m_port.isOpen())
        return false;
    if (m_port.write(reinterpret_cast<const char*>(data), static_cast<qint64>(count)) !=
        static_cast<qint64>(count))
        return false;
    const uint32_t rate = m_rate == 0 ? 1 : m_rate;
    const int budget =
        kWriteSlackMs + static_cast<int>(count * kMaxBitsPerByte * kMsPerSecond / rate);
    const uint32_t start = m_clock.NowMs();
    while (m_port.bytesToWrite() > 0) {
        const uint32_t spent = m_clock.NowMs() - start;
        if (spent >= static_cast<uint32_t>(budget) ||
            !m_port.waitForBytesWritten(budget - static_cast<int>(spent)))
            return false;
    }
    return true;
}

std::size_t CQtSerialDevice::Read(uint8_t* buffer, std::size_t count, uint32_t timeoutMs)
{
    if (!m_port.isOpen())
        return 0;
    const uint32_t start = m_clock.NowMs();
    std::size_t got = 0;
    while (true) {
        const qint64 n =
            m_port.read(reinterpret_cast<char*>(buffer + got), static_cast<qint64>(count - got));
        if (n > 0)
            got += static_cast<std::size_t>(n);
        if (got >= count)
            return got;
        const uint32_t spent = m_clock.NowMs() - start;
        if (spent >= timeoutMs)
            return got;
        m_port.waitForReadyRead(static_cast<int>(timeoutMs - spent));
        if (m_port.error() != QSerialPort::NoError && m_port.error() != QSerialPort::TimeoutError)
            return got;
        m_port.clearError();
    }
}

bool CQtSerialDevice::TakeLineClean()
{
    if (!m_port.isOpen())
        return false;
#ifdef _WIN32
    return SerialPlatform::TakeWindowsLineClean(m_port);
#else
    SerialPlatform::CLineErrorCounts now;
    if (!SerialPlatform::ReadLineErrorCounts(m_port, now))
        return true;
    const bool clean =
        !m_haveCounts || (now.framing == m_counts.framing && now.breaks == m_counts.breaks);
    m_counts = now;
    m_haveCounts = true;
    return clean;
#endif
}

bool CQtSerialDevice::IsRs232()
{
    return m_port.isOpen() && SerialPlatform::IsSerialLine(m_port);
}

ByteDeviceFactory SystemDeviceFactory(ITickClock& clock)
{
    return [&clock]() { return std::make_unique<CQtSerialDevice>(clock); };
}
