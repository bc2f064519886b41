#include "link/PortNumbering.h"

#include "core/StringList.h"

#include <algorithm>
#include <cctype>
#include <set>

const CPortEntry* CPortTable::Find(int number) const
{
    for (const CPortEntry& entry : entries)
        if (entry.number == number)
            return &entry;
    return nullptr;
}

std::string CPortTable::DeviceOf(int number) const
{
    const CPortEntry* entry = Find(number);
    if (!entry)
        return {};
    return entry->node.empty() ? entry->name : entry->node;
}

namespace PortNumbering {

namespace {

constexpr const char* kBuiltInPrefixes[] = {"ttyS", "ttyAMA"};

bool IsDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The first of `names`, in order, that no other present device carries in
// the list `field` selects; empty when there is none.
template <class Field>
std::string UniqueName(const CSerialDeviceInfo& device,
                       const std::vector<CSerialDeviceInfo>& present, Field field)
{
    std::vector<std::string> names = field(device);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const bool shared =
            std::any_of(present.begin(), present.end(), [&](const CSerialDeviceInfo& other) {
                if (other.node == device.node)
                    return false;
                const std::vector<std::string>& theirs = field(other);
                return std::find(theirs.begin(), theirs.end(), name) != theirs.end();
            });
        if (!shared)
            return name;
    }
    return {};
}

} // namespace

bool IsBuiltIn(const std::string& node)
{
    const std::string name = BaseName(node);
    for (const char* prefix : kBuiltInPrefixes) {
        const std::string start(prefix);
        if (name.size() > start.size() && name.compare(0, start.size(), start) == 0 &&
            IsDigit(name[start.size()]))
            return true;
    }
    return false;
}

bool NaturalLess(const std::string& a, const std::string& b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            std::size_t iEnd = i;
            std::size_t jEnd = j;
            while (iEnd < a.size() && IsDigit(a[iEnd]))
                ++iEnd;
            while (jEnd < b.size() && IsDigit(b[jEnd]))
                ++jEnd;
            // Without leading zeros, the longer run of digits is the larger number.
            while (i + 1 < iEnd && a[i] == '0')
                ++i;
            while (j + 1 < jEnd && b[j] == '0')
                ++j;
            if (iEnd - i != jEnd - j)
                return iEnd - i < jEnd - j;
            const int order = a.compare(i, iEnd - i, b, j, jEnd - j);
            if (order != 0)
                return order < 0;
            i = iEnd;
            j = jEnd;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

std::string StableName(const CSerialDeviceInfo& device,
                       const std::vector<CSerialDeviceInfo>& present)
{
    std::string name = UniqueName(
        device, present, [](const CSerialDeviceInfo& d) -> const auto& { return d.byId; });
    if (name.empty())
        name = UniqueName(
            device, present, [](const CSerialDeviceInfo& d) -> const auto& { return d.byPath; });
    return name.empty() ? device.node : name;
}

CPortTable Number(const ISerialDeviceList& devices, IPortPins& pins)
{
    std::vector<CSerialDeviceInfo> present = devices.Present();
    std::sort(present.begin(), present.end(),
              [](const CSerialDeviceInfo& a, const CSerialDeviceInfo& b) {
                  const bool aBuiltIn = IsBuiltIn(a.node);
                  if (aBuiltIn != IsBuiltIn(b.node))
                      return aBuiltIn;
                  return NaturalLess(a.node, b.node);
              });

    std::map<int, std::string> pinned = pins.All();
    std::map<int, std::string> leadsTo;
    std::set<std::string> held;
    for (const auto& [number, name] : pinned) {
        const std::string node = devices.Resolve(name);
        leadsTo[number] = node;
        if (!node.empty())
            held.insert(node);
    }
    for (const auto& [number, name] : pins.Lent()) {
        const std::string node = devices.Resolve(name);
        if (!node.empty())
            held.insert(node);
    }

    CPortTable table;
    int candidate = kFirstNumber;
    for (const CSerialDeviceInfo& device : present) {
        if (held.count(device.node) != 0)
            continue;
        while (candidate <= kLastNumber && pinned.count(candidate) != 0)
            ++candidate;
        if (candidate > kLastNumber) {
            table.unnumbered.push_back(device.node);
            continue;
        }
        const std::string name = StableName(device, present);
        pins.Set(candidate, name);
        pinned[candidate] = name;
        leadsTo[candidate] = device.node;
        held.insert(device.node);
        table.added.push_back(candidate);
    }
    for (const auto& [number, name] : pinned)
        table.entries.push_back({number, name, leadsTo[number]});
    return table;
}

CPortTable Pinned(const ISerialDeviceList& devices, const IPortPins& pins)
{
    CPortTable table;
    for (const auto& [number, name] : pins.All())
        table.entries.push_back({number, name, devices.Resolve(name)});
    return table;
}

} // namespace PortNumbering
