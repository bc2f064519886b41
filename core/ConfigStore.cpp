#include "core/ConfigStore.h"

void CConfigStore::Reset()
{
    m_image.fill(kEmptyByte);
    m_image[0] = kMarkerByte;
    m_image[1] = kMarkerByte;
    m_transfer = m_image;
    m_saved = m_image;
}

bool CConfigStore::IsModified()
{
    m_transfer = m_image;
    return m_transfer != m_saved;
}

uint16_t CConfigStore::WordAt(std::size_t offset) const
{
    return static_cast<uint16_t>(m_image[offset] | (m_image[offset + 1] << 8));
}

void CConfigStore::PutWord(std::size_t offset, uint16_t word)
{
    m_image[offset] = static_cast<uint8_t>(word & 0xFF);
    m_image[offset + 1] = static_cast<uint8_t>(word >> 8);
}
