// COM numbers of Linux and macOS over a fake list of devices and pins kept
// in memory: devices keep their numbers whatever the order they come in.
#include "link/PortNumbering.h"
#include "link/PortName.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Devices "plugged in" by the test, with the links udev would give them.
class CFakeDevices : public ISerialDeviceList
{
public:
    void Plug(const std::string& node, std::vector<std::string> byId = {},
              std::vector<std::string> byPath = {})
    {
        m_devices.push_back({node, std::move(byId), std::move(byPath)});
    }
    void Unplug(const std::string& node)
    {
        m_devices.erase(std::remove_if(
                            m_devices.begin(), m_devices.end(),
                            [&](const CSerialDeviceInfo& d) { return d.node == node; }),
                        m_devices.end());
    }
    void UnplugAll() { m_devices.clear(); }
    // Another file that exists, such as the simulator's pseudo-terminal.
    void AddOtherNode(const std::string& node) { m_others.push_back(node); }

    std::vector<CSerialDeviceInfo> Present() const override { return m_devices; }
    std::string Resolve(const std::string& name) const override
    {
        if (std::find(m_others.begin(), m_others.end(), name) != m_others.end())
            return name;
        // As udev does for a link two devices want: the last one plugged wins.
        for (auto it = m_devices.rbegin(); it != m_devices.rend(); ++it) {
            const auto has = [&](const std::vector<std::string>& links) {
                return std::find(links.begin(), links.end(), name) != links.end();
            };
            if (it->node == name || has(it->byId) || has(it->byPath))
                return it->node;
        }
        return {};
    }

private:
    std::vector<CSerialDeviceInfo> m_devices;
    std::vector<std::string> m_others;
};

class CMemoryPins : public IPortPins
{
public:
    std::map<int, std::string> All() const override { return pins; }
    void Set(int number, const std::string& name) override { pins[number] = name; }
    void Remove(int number) override { pins.erase(number); }
    std::map<int, std::string> Lent() const override { return lent; }

    std::map<int, std::string> pins;
    std::map<int, std::string> lent;
};

const std::string kFtdi = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0";
const std::string kArduino = "/dev/serial/by-id/usb-Arduino_Uno_75830333-if00";
const std::string kCh340 = "/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0";

class PortNumbering : public ::testing::Test
{
protected:
    CPortTable Number() { return ::PortNumbering::Number(devices, pins); }
    std::string NodeOf(int number)
    {
        const CPortTable table = Number();
        const CPortEntry* entry = table.Find(number);
        return entry ? entry->node : "(no pin)";
    }

    CFakeDevices devices;
    CMemoryPins pins;
};

} // namespace

TEST_F(PortNumbering, AdaptersPluggedInChangingOrdersKeepTheirNumbers)
{
    devices.Plug("/dev/ttyUSB0", {kFtdi});
    Number();
    EXPECT_EQ(pins.pins, (std::map<int, std::string>{{1, kFtdi}})) << "pinned by its by-id name";

    // An Arduino comes first at the next boot and takes ttyUSB0's place in
    // the sorted list; the cable keeps COM1 under its new node.
    devices.UnplugAll();
    devices.Plug("/dev/ttyACM0", {kArduino});
    devices.Plug("/dev/ttyUSB1", {kFtdi});
    const CPortTable table = Number();
    EXPECT_EQ(table.Find(1)->node, "/dev/ttyUSB1");
    EXPECT_EQ(table.Find(2)->node, "/dev/ttyACM0");
    EXPECT_EQ(table.added, std::vector<int>{2});

    devices.UnplugAll();
    devices.Plug("/dev/ttyUSB0", {kCh340});
    devices.Plug("/dev/ttyUSB1", {kArduino});
    devices.Plug("/dev/ttyUSB2", {kFtdi});
    EXPECT_EQ(NodeOf(1), "/dev/ttyUSB2");
    EXPECT_EQ(NodeOf(2), "/dev/ttyUSB1");
    EXPECT_EQ(NodeOf(3), "/dev/ttyUSB0");
    EXPECT_TRUE(Number().added.empty()) << "a second look changes nothing";
}

TEST_F(PortNumbering, AnUnpluggedAdapterKeepsItsNumberWhichIsNotReused)
{
    devices.Plug("/dev/ttyUSB0", {kFtdi});
    devices.Plug("/dev/ttyUSB1", {kCh340});
    Number();
    devices.Unplug("/dev/ttyUSB0");
    devices.Plug("/dev/ttyACM0", {kArduino});
    const CPortTable table = Number();
    ASSERT_NE(table.Find(1), nullptr);
    EXPECT_EQ(table.Find(1)->name, kFtdi);
    EXPECT_EQ(table.Find(1)->node, "") << "not present, still COM1";
    EXPECT_EQ(table.Find(3)->node, "/dev/ttyACM0") << "the newcomer takes the next free number";
    // A list of ports resolves its names through this one table.
    for (const auto& [port, device] : {std::pair<const char*, std::string>{"COM3", "/dev/ttyACM0"},
                                       {"1", kFtdi}, // not present: as pinned, for the error
                                       {"/dev/ttyUSB1", "/dev/ttyUSB1"}})
        EXPECT_EQ(PortDevice(port, table), device) << port;
    EXPECT_EQ(PortIdentity("com3", table), PortIdentity("COM3", table));

    devices.Plug("/dev/ttyUSB7", {kFtdi});
    EXPECT_EQ(NodeOf(1), "/dev/ttyUSB7") << "back in another socket, same number";
}

TEST_F(PortNumbering, IdenticalAdaptersWithoutSerialNumbersAreToldApartByPath)
{
    const std::string pathA = "/dev/serial/by-path/pci-0000:00:14.0-usb-0:1:1.0-port0";
    const std::string pathB = "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0";
    devices.Plug("/dev/ttyUSB0", {kCh340}, {pathA});
    devices.Plug("/dev/ttyUSB1", {kCh340}, {pathB});
    Number();
    EXPECT_EQ(pins.pins, (std::map<int, std::string>{{1, pathA}, {2, pathB}}));

    // Plugged back in the other order, each keeps the number of its socket.
    devices.UnplugAll();
    devices.Plug("/dev/ttyUSB0", {kCh340}, {pathB});
    devices.Plug("/dev/ttyUSB1", {kCh340}, {pathA});
    EXPECT_EQ(NodeOf(1), "/dev/ttyUSB1");
    EXPECT_EQ(NodeOf(2), "/dev/ttyUSB0");

    // Without any link the node is the name.
    devices.Plug("/dev/ttyUSB2");
    Number();
    EXPECT_EQ(pins.pins.at(3), "/dev/ttyUSB2");
}

TEST_F(PortNumbering, BuiltInPortsComeFirstInTheirOrder)
{
    devices.Plug("/dev/ttyUSB0", {kFtdi});
    devices.Plug("/dev/ttyS10");
    devices.Plug("/dev/ttyAMA0");
    devices.Plug("/dev/ttyS2");
    Number();
    EXPECT_EQ(pins.pins,
              (std::map<int, std::string>{
                  {1, "/dev/ttyAMA0"}, {2, "/dev/ttyS2"}, {3, "/dev/ttyS10"}, {4, kFtdi}}));
    EXPECT_TRUE(::PortNumbering::IsBuiltIn("/dev/ttyS0"));
    EXPECT_FALSE(::PortNumbering::IsBuiltIn("/dev/ttyUSB0"));
    EXPECT_FALSE(::PortNumbering::IsBuiltIn("/dev/ttySerial")) << "a number follows the prefix";
    EXPECT_TRUE(::PortNumbering::NaturalLess("ttyS2", "ttyS10"));
    EXPECT_TRUE(::PortNumbering::NaturalLess("ttyS02", "ttyS10"));
    EXPECT_FALSE(::PortNumbering::NaturalLess("ttyS10", "ttyS10"));
}

TEST_F(PortNumbering, TwentyNumbersAtMost)
{
    for (int i = 0; i < 22; ++i)
        devices.Plug("/dev/ttyUSB" + std::to_string(i));
    const CPortTable table = Number();
    EXPECT_EQ(pins.pins.size(), 20u);
    EXPECT_EQ(pins.pins.at(20), "/dev/ttyUSB19");
    EXPECT_EQ(table.unnumbered, (std::vector<std::string>{"/dev/ttyUSB20", "/dev/ttyUSB21"}));
}

TEST_F(PortNumbering, HandMadePinsAreKeptAsTheyAre)
{
    // A user pinned the cable by its node to COM5; the simulator holds COM2.
    pins.Set(5, "/dev/ttyUSB0");
    pins.Set(2, "/dev/pts/3");
    pins.Set(30, "/dev/pts/4");
    devices.AddOtherNode("/dev/pts/3");
    devices.Plug("/dev/ttyUSB0", {kFtdi});
    devices.Plug("/dev/ttyUSB1", {kCh340});
    const CPortTable table = Number();
    EXPECT_EQ(pins.pins,
              (std::map<int, std::string>{
                  {1, kCh340}, {2, "/dev/pts/3"}, {5, "/dev/ttyUSB0"}, {30, "/dev/pts/4"}}))
        << "the pinned cable is not numbered twice";
    EXPECT_EQ(table.Find(2)->node, "/dev/pts/3");
    EXPECT_EQ(table.Find(30)->node, "") << "a simulator that has ended";
}

TEST_F(PortNumbering, AForgottenNumberGoesToTheNextDevice)
{
    devices.Plug("/dev/ttyUSB0", {kFtdi});
    devices.Plug("/dev/ttyUSB1", {kCh340});
    Number();
    devices.UnplugAll();
    pins.Remove(1);
    devices.Plug("/dev/ttyACM0", {kArduino});
    Number();
    EXPECT_EQ(pins.pins, (std::map<int, std::string>{{1, kArduino}, {2, kCh340}}));
}

TEST_F(PortNumbering, ADeviceWhoseNumberTheSimulatorBorrowsGetsNoOther)
{
    devices.Plug("/dev/ttyS0");
    Number();
    // qzm530rx-sim --port 1 lends COM1 to its pseudo-terminal for its run.
    pins.lent[1] = pins.pins.at(1);
    pins.pins[1] = "/dev/pts/3";
    devices.AddOtherNode("/dev/pts/3");
    const CPortTable table = Number();
    EXPECT_TRUE(table.added.empty()) << "ttyS0 waits for its number to come back";
    EXPECT_EQ(table.Find(1)->node, "/dev/pts/3");
}

// A lookup of the pins numbers nothing and writes nothing: only the
// numbering, where ports are listed and jobs start, gives a new device
// its number.
TEST_F(PortNumbering, ALookupNumbersNothing)
{
    devices.Plug("/dev/ttyUSB0", {kFtdi});
    Number();
    devices.Plug("/dev/ttyUSB1", {kCh340});
    const CPortTable looked = ::PortNumbering::Pinned(devices, pins);
    ASSERT_EQ(looked.entries.size(), 1u);
    EXPECT_EQ(looked.entries[0].node, "/dev/ttyUSB0");
    EXPECT_EQ(pins.pins.size(), 1u) << "the new device has no pin yet";
    EXPECT_EQ(NodeOf(2), "/dev/ttyUSB1") << "the numbering gives it one";
}
