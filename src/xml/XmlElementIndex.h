#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// One element of a document, by offsets into the document text.
struct XmlElementRecord
{
    uint32_t start;       // offset of the element's "<"
    uint32_t length;      // through its end tag (or its start tag when it has none)
    uint32_t tagLengths;  // start-tag length in the low 22 bits, end-tag length in the high 10
    uint32_t levelFlags;  // depth in the low 16 bits (at most 0xFFFF), plus XmlElementIndex::k* flags
    uint32_t parent;
    uint32_t firstChild;
    uint32_t next;
    uint32_t prev;        // for a first child: the last child of the same parent
};
static_assert(sizeof(XmlElementRecord) == 32);

// The element records of a document. Record 0 stands for the document itself
// (its first child is the root, its length the text length). Records never
// move once allocated, so growing the index never moves a record: the first
// kFirstBlockSize records sit in a small first block (a profile or macro file
// fits in it), every later one in a block of 65,536 chosen by the high 16 bits
// of its index (the first such block leaves its low places unused).
class XmlElementIndex
{
public:
    static constexpr uint32_t kBlockBits = 16;
    static constexpr uint32_t kBlockSize = 1u << kBlockBits;
    static constexpr uint32_t kFirstBlockBits = 8;
    static constexpr uint32_t kFirstBlockSize = 1u << kFirstBlockBits;

    static constexpr uint32_t kLevelMask = 0xFFFF;
    static constexpr uint32_t kFirstChild = 0x80000;
    static constexpr uint32_t kNoEndTag = 0x100000;
    static constexpr uint32_t kIllFormed = 0x800000; // record 0 only

    // Saturated field values: the tag is longer than the field can say and its
    // length is measured again from the text when needed.
    static constexpr uint32_t kStartTagMax = (1u << 22) - 1;
    static constexpr uint32_t kEndTagMax = (1u << 10) - 1;

    XmlElementIndex();
    ~XmlElementIndex();
    XmlElementIndex(const XmlElementIndex&) = delete;
    XmlElementIndex& operator=(const XmlElementIndex&) = delete;

    // Empties the index (record 0 cleared, free index 1) and reserves room for
    // (textLength / 64) + 8 records.
    void Reset(size_t textLength);
    // Drops every block but the one holding record 0.
    void Release();

    // The next free record, uninitialised; grows the capacity by half when full.
    uint32_t Allocate();

    XmlElementRecord& operator[](uint32_t index)
    {
        if (index < kFirstBlockSize)
            return m_first[index];
        return m_blocks[index >> kBlockBits][index & (kBlockSize - 1)];
    }
    const XmlElementRecord& operator[](uint32_t index) const
    {
        if (index < kFirstBlockSize)
            return m_first[index];
        return m_blocks[index >> kBlockBits][index & (kBlockSize - 1)];
    }

    // Makes `element` the last child of `parent` (parent and sibling links; the
    // first child's back link makes this constant time). Inline: the parser
    // calls it once per start tag.
    void LinkLast(uint32_t element, uint32_t parent)
    {
        XmlElementRecord& r = (*this)[element];
        XmlElementRecord& p = (*this)[parent];
        r.parent = parent;
        r.next = 0;
        if (!p.firstChild) {
            p.firstChild = element;
            r.prev = element;
            r.levelFlags |= kFirstChild;
        } else {
            XmlElementRecord& first = (*this)[p.firstChild];
            (*this)[first.prev].next = element;
            r.prev = first.prev;
            first.prev = element;
        }
    }

    uint32_t FreeIndex() const { return m_free; }
    uint32_t Capacity() const { return m_capacity; }
    // The first block and the large ones.
    size_t BlockCount() const { return 1 + m_blocks.size(); }

    static uint32_t PackTagLengths(size_t startTag, size_t endTag);
    static uint32_t StartTagField(const XmlElementRecord& r) { return r.tagLengths & kStartTagMax; }
    static uint32_t EndTagField(const XmlElementRecord& r) { return r.tagLengths >> 22; }

private:
    void EnsureCapacity(uint64_t capacity);

    std::unique_ptr<XmlElementRecord[]> m_first;
    std::vector<std::unique_ptr<XmlElementRecord[]>> m_blocks; // block i: indexes i * kBlockSize on
    uint32_t m_free = 1;
    uint32_t m_capacity = 0;
};
