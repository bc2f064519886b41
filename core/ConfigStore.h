#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CTextCatalog;

// Setting IDs. Each is also the ID of the form control that shows the
// setting and the text ID of that control's caption.
namespace SettingId {
constexpr int kNoiseCancellation = 1000;
constexpr int kPreset1 = 1001;
constexpr int kSelfProgramming = 1002;
constexpr int kLowNoiseLevel = 1003;
constexpr int kHighSpeedFollow = 1004;
constexpr int kMicPosition = 1005;
constexpr int kAttenuationLevel = 1006;
constexpr int kBatterySave = 1007;
constexpr int kTxLed = 1008;
constexpr int kFrontMicSense = 1009;
constexpr int kRearMicSense = 1010;
constexpr int kTestMode = 1011;
constexpr int kPowerOnHint = 1030;
constexpr int kPreset2 = 1031;
constexpr int kPreset3 = 1032;
constexpr int kPreset4 = 1033;
constexpr int kPreset5 = 1034;
} // namespace SettingId

// One option of a list setting as currently offered.
struct COption
{
    std::string text;
    int value;
};

// The microphone's configuration in memory: the working image that the form
// and the memory map edit, the transfer copy through which every transfer
// and data file passes, and the saved copy against which changes are told.
class CConfigStore
{
public:
    static constexpr std::size_t kImageSize = 2304;
    static constexpr uint8_t kMarkerByte = 0xAA;
    static constexpr uint8_t kEmptyByte = 0xFF;
    using Image = std::array<uint8_t, kImageSize>;

    // Option texts given by text ID are looked up here when a list is built;
    // without a catalogue they come out empty.
    explicit CConfigStore(const CTextCatalog* texts = nullptr) : m_texts(texts) {}
    void SetTextCatalog(const CTextCatalog* texts) { m_texts = texts; }

    // A new configuration: 0xAA in bytes 0 and 1, 0xFF elsewhere, in all
    // three images.
    void Reset();
    void TransferToImage() { m_image = m_transfer; }
    void ImageToTransfer() { m_transfer = m_image; }
    void ImageToSaved() { m_saved = m_image; }
    // Copies the working image into the transfer copy, then compares that
    // with the saved copy.
    bool IsModified();

    uint8_t* WorkingImage() { return m_image.data(); }
    const uint8_t* WorkingImage() const { return m_image.data(); }
    uint8_t* TransferCopy() { return m_transfer.data(); }
    const uint8_t* TransferCopy() const { return m_transfer.data(); }
    const uint8_t* SavedCopy() const { return m_saved.data(); }

    // Settings accessors, keyed by setting ID, on the working image.

    // Switch: 1 on, 0 off. List: position of the selected option in the list
    // as offered now, the fallback's position when none matches, -1 when the
    // fallback is not offered either. Any other ID: 0.
    int GetValue(int id) const;
    // State 1 writes on, 0 off (in the setting's form); any other state
    // writes 0xFFFF. Ignored for IDs that are not switches.
    void SetSwitch(int id, int state);
    // Writes the option value's low byte, zero-extended; not checked against
    // the list. Ignored for IDs that are not lists.
    void SetListValue(int id, int value);
    // The setting's list as offered now, in order; empty for other IDs.
    std::vector<COption> GetOptions(int id) const;
    // Whether the form's control of that ID may be used now.
    bool IsAvailable(int id) const;
    // Whether the effect-preset row of that setting may be edited now.
    bool IsPresetEditable(int id) const;
    // "Voice Recognition" falls back to "Normal" once noise cancellation is off.
    void FollowTxLed();

    // The raw 16-bit word of a setting; 0 for an unknown ID.
    uint16_t GetWord(int id) const;
    // Stores a setting's word as it stands, an option or not (a profile's
    // "#65535"); an unknown ID is ignored.
    void SetWord(int id, uint16_t word);

private:
    uint16_t WordAt(std::size_t offset) const;
    void PutWord(std::size_t offset, uint16_t word);

    Image m_image{};
    Image m_transfer{};
    Image m_saved{};
    const CTextCatalog* m_texts;
};
