#include "link/SerialPort.h"

#include "link/TickClock.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t kRs232StepWaitMs = 10;
// A read waits for its bytes in slices of at most this long, with the
// pending window messages handled before each, so that the windows stay
// painted during the long waits of a transfer.
constexpr uint32_t kReadSliceMs = 50;

std::string WithoutBlanks(const std::string& text)
{
    std::string result;
    result.reserve(text.size());
    for (const char c : text)
        if (c != ' ' && c != '\t')
            result.push_back(c);
    return result;
}

} // namespace

CSerialPort::CSerialPort()
    : CSerialPort(SystemDeviceFactory(CSteadyTickClock::Instance()), CSteadyTickClock::Instance())
{
}

CSerialPort::CSerialPort(ByteDeviceFactory factory, ITickClock& ticks)
    : m_factory(std::move(factory)), m_ticks(ticks)
{
    ParseModeString(m_settings, m_line);
}

CSerialPort::~CSerialPort()
{
    Close();
}

int CSerialPort::SetPortNumber(uint8_t number)
{
    if (number != 0)
        m_portNumber = number;
    if (!IsOpen())
        return 1;
    const int closed = Close();
    const int opened = Open();
    return closed && opened ? 1 : 0;
}

int CSerialPort::SetOpen(int state)
{
    const bool wanted = state != 0;
    if (wanted == IsOpen())
        return 1;
    return wanted ? Open() : Close();
}

std::string CSerialPort::OpenName() const
{
    return m_deviceName.empty() ? PortDeviceName(m_portNumber) : m_deviceName;
}

int CSerialPort::Open()
{
    const std::string name = OpenName();
    m_openFailure = {};
    if (name.empty()) {
        m_openFailure.kind = COpenFailure::Kind::NoDevice;
        return 0;
    }
    std::unique_ptr<IByteDevice> device = m_factory();
    if (!device || !device->Open(name)) {
        m_openFailure = device ? device->LastOpenFailure() : COpenFailure{};
        if (m_openFailure.kind == COpenFailure::Kind::None)
            m_openFailure.kind = COpenFailure::Kind::Other;
        return 0;
    }
    m_device = std::move(device);
    m_open = 1;
    if (m_observer)
        m_observer->OnOpened(name, m_device->LowLatencyState());
    if (!SetInBufferSize(m_inBufferSize) || !SetOutBufferSize(m_outBufferSize))
        return 0;
    if (!SetSettings(m_settings))
        return 0;
    if (!SetReadTimeout(m_readTimeoutMs))
        return 0;
    return m_device->SetRts(false) ? 1 : 0;
}

int CSerialPort::Close()
{
    m_open = 0;
    if (!m_device)
        return 1;
    const bool closed = m_device->Close();
    m_device.reset();
    return closed ? 1 : 0;
}

int CSerialPort::ApplyQueueSizes()
{
    return m_device->SetQueueSizes(m_inBufferSize, m_outBufferSize) ? 1 : 0;
}

int CSerialPort::SetInBufferSize(uint16_t size)
{
    m_inBufferSize = size;
    return IsOpen() ? ApplyQueueSizes() : 1;
}

int CSerialPort::SetOutBufferSize(uint16_t size)
{
    m_outBufferSize = size;
    return IsOpen() ? ApplyQueueSizes() : 1;
}

int CSerialPort::SetSettings(const std::string& settings)
{
    m_settings = WithoutBlanks(settings);
    return IsOpen() ? ApplySettings() : 1;
}

int CSerialPort::ApplySettings()
{
    if (!IsOpen())
        return 0;
    CLineSettings line = m_line;
    if (!ParseModeString(m_settings, line))
        return 0;
    if (!m_device->SetDtr(true) || !m_device->SetLine(line))
        return 0;
    m_line = line;
    return m_device->SetRts(false) ? 1 : 0;
}

int CSerialPort::SetReadTimeout(uint32_t ms)
{
    m_readTimeoutMs = ms;
    // The device takes the time-out with each read, so there is nothing to
    // pass on when the port is open.
    return IsOpen() ? ApplyReadTimeout() : 1;
}

int CSerialPort::WriteRaw(const uint8_t* data, std::size_t count)
{
    if (!IsOpen())
        return 0;
    m_device->PurgeInput();
    if (m_observer && count > 0)
        m_observer->OnWire(true, data, count, m_ticks.NowMs(), m_line.rate);
    return m_device->Write(data, count) ? 1 : 0;
}

int CSerialPort::ReadRaw(uint8_t* buffer, std::size_t count)
{
    if (!IsOpen())
        return 0;
    std::size_t got = 0;
    const uint32_t start = m_ticks.NowMs();
    while (true) {
        PumpMessages();
        if (m_stoppableRead && StopRequested())
            break;
        const uint32_t elapsed = m_ticks.NowMs() - start;
        const uint32_t left = elapsed >= m_readTimeoutMs ? 0 : m_readTimeoutMs - elapsed;
        const uint32_t slice = std::min(left, kReadSliceMs);
        const uint32_t sliceStart = m_ticks.NowMs();
        {
            const CRealtimeScope priority;
            got += m_device->Read(buffer + got, count - got, slice);
        }
        // Done when every byte is in, the whole time-out has passed, or the
        // device gave up before its slice was over.
        if (got >= count || slice == left || m_ticks.NowMs() - sliceStart < slice)
            break;
    }
    if (m_observer && got > 0)
        m_observer->OnWire(false, buffer, got, m_ticks.NowMs(), m_line.rate);
    return got >= count ? 1 : 0;
}

int CSerialPort::WriteByte(uint8_t byte)
{
    return WriteRaw(&byte, 1);
}

int CSerialPort::WriteString(const char* text)
{
    return WriteRaw(reinterpret_cast<const uint8_t*>(text), std::strlen(text));
}

int CSerialPort::WriteBuffer(const uint8_t* data, uint16_t count)
{
    return WriteRaw(data, count);
}

int CSerialPort::Read(uint8_t* buffer, uint16_t count)
{
    return ReadRaw(buffer, count);
}

bool CSerialPort::IsRs232()
{
    if (!IsOpen())
        return false;
    WaitMs(m_ticks, kRs232StepWaitMs);
    if (!m_device->IsRs232())
        return false;
    WaitMs(m_ticks, kRs232StepWaitMs);
    const bool rs232 = m_device->IsRs232();
    WaitMs(m_ticks, kRs232StepWaitMs);
    if (!rs232)
        return false;
    WaitMs(m_ticks, kRs232StepWaitMs);
    return true;
}

bool CSerialPort::IsLineClean()
{
    return IsOpen() && m_device->TakeLineClean();
}

LowLatency CSerialPort::LowLatencyState() const
{
    return m_device ? m_device->LowLatencyState() : LowLatency::NotOffered;
}

std::string WindowsPortName(int number)
{
    if (number < 1)
        return {};
    const std::string digits = std::to_string(number);
    return number < CSerialPort::kFirstNamespacePort ? "COM" + digits : "\\\\.\\COM" + digits;
}

bool ParseModeString(const std::string& mode, CLineSettings& settings)
{
    CLineSettings result = settings;
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = mode.find(',', start);
        fields.push_back(mode.substr(start, comma == std::string::npos ? comma : comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (fields.size() > 4 || fields[0].empty())
        return false;

    constexpr uint32_t kMaxRate = 4000000;
    uint32_t rate = 0;
    for (const char c : fields[0]) {
        if (c < '0' || c > '9')
            return false;
        rate = rate * 10 + static_cast<uint32_t>(c - '0');
        if (rate > kMaxRate)
            return false;
    }
    if (rate == 0)
        return false;
    result.rate = rate;

    if (fields.size() > 1 && !fields[1].empty()) {
        if (fields[1].size() != 1)
            return false;
        const char parity =
            static_cast<char>(std::toupper(static_cast<unsigned char>(fields[1][0])));
        if (std::string("NEOMS").find(parity) == std::string::npos)
            return false;
        result.parity = parity;
    }
    if (fields.size() > 2 && !fields[2].empty()) {
        constexpr int kMinDataBits = 5;
        constexpr int kMaxDataBits = 8;
        if (fields[2].size() != 1 || fields[2][0] < '0' + kMinDataBits ||
            fields[2][0] > '0' + kMaxDataBits)
            return false;
        result.dataBits = fields[2][0] - '0';
    }
    if (fields.size() > 3 && !fields[3].empty()) {
        if (fields[3] == "1")
            result.halfStopBits = 2;
        else if (fields[3] == "1.5")
            result.halfStopBits = 3;
        else if (fields[3] == "2")
            result.halfStopBits = 4;
        else
            return false;
    }
    settings = result;
    return true;
}
