#include "xml/XmlElementIndex.h"

#include <algorithm>

namespace {
// Offsets are 32-bit, so no text holds more elements than this.
constexpr uint64_t kMaxRecords = 0xFFFFFFF0u;
} // namespace

XmlElementIndex::XmlElementIndex()
    : m_first(std::make_unique_for_overwrite<XmlElementRecord[]>(kFirstBlockSize))
{
    EnsureCapacity(8);
    (*this)[0] = XmlElementRecord{};
}

XmlElementIndex::~XmlElementIndex() = default;

void XmlElementIndex::Reset(size_t textLength)
{
    m_free = 1;
    (*this)[0] = XmlElementRecord{};
    EnsureCapacity(static_cast<uint64_t>(textLength) / 64 + 8);
}

void XmlElementIndex::Release()
{
    m_blocks.clear();
    m_capacity = std::min<uint32_t>(m_capacity, kFirstBlockSize);
    m_free = 1;
    (*this)[0] = XmlElementRecord{};
}

uint32_t XmlElementIndex::Allocate()
{
    if (m_free >= m_capacity)
        EnsureCapacity(static_cast<uint64_t>(m_capacity) + std::max<uint32_t>(m_capacity / 2, 8));
    return m_free++;
}

void XmlElementIndex::EnsureCapacity(uint64_t capacity)
{
    capacity = std::min(capacity, kMaxRecords);
    if (capacity <= m_capacity)
        return;
    // Blocks are allocated whole but left uninitialised: the pages of records
    // never used are never touched.
    const size_t blocks = capacity > kFirstBlockSize ? static_cast<size_t>((capacity + kBlockSize - 1) / kBlockSize)
                                                     : 0;
    while (m_blocks.size() < blocks)
        m_blocks.push_back(std::make_unique_for_overwrite<XmlElementRecord[]>(kBlockSize));
    m_capacity = static_cast<uint32_t>(capacity);
}

uint32_t XmlElementIndex::PackTagLengths(size_t startTag, size_t endTag)
{
    const uint32_t s = static_cast<uint32_t>(std::min<size_t>(startTag, kStartTagMax));
    const uint32_t e = static_cast<uint32_t>(std::min<size_t>(endTag, kEndTagMax));
    return s | (e << 22);
}
