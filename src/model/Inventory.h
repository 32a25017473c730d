#pragma once

#include "model/InstrumentRecords.h"

#include <QByteArray>
#include <array>
#include <cstring>
#include <type_traits>
#include <vector>

namespace tonva {

// The type code of an inventory entry, which is also the list it belongs to.
enum class InventoryType : std::int32_t
{
    Calibrator = 0,
    SoundLevelMeter = 1,
    Earphone = 2,
    Microphone = 3,
    ModelList4 = 4,
    ModelList5 = 5,
    BoneVibrator = 6,
    Mastoid = 7,
    ModelList8 = 8,
    Preamplifier = 9,
};
inline constexpr int kInventoryTypes = 10;
inline constexpr std::size_t kInventoryEntrySize = 832;
inline constexpr std::size_t kInventoryBodySize = 824;

// One stored instrument. The body's layout depends on the type code; the typed views below are
// copies in and out of it, so a body whose layout is not known here (the further model lists) is
// carried byte for byte.
//
// Body layouts by type:
//   Calibrator                      CalibratorData (76 bytes)
//   SoundLevelMeter, Preamplifier   InstrumentIdentity (68 bytes)
//   Microphone                      MicrophoneSlot (284 bytes), the rest reserved
//   Mastoid                         MastoidData (the whole body)
//   Earphone                        EarphoneModel (232 bytes)
//   BoneVibrator                    BoneVibratorData (58 bytes)
struct InventoryEntry
{
    std::int32_t typeCode = 0;
    std::uint32_t link = 0; // meaningless once stored; kept only so the image stays whole
    unsigned char body[kInventoryBodySize]{};

    template<class Body> Body bodyAs() const
    {
        static_assert(std::is_trivially_copyable_v<Body> && sizeof(Body) <= kInventoryBodySize);
        Body value;
        std::memcpy(&value, body, sizeof value);
        return value;
    }
    // Replaces the leading part of the body; bytes beyond the view stay as they are.
    template<class Body> void setBody(const Body &value)
    {
        static_assert(std::is_trivially_copyable_v<Body> && sizeof(Body) <= kInventoryBodySize);
        std::memcpy(body, &value, sizeof value);
    }

    InventoryType type() const { return static_cast<InventoryType>(typeCode); }
};
static_assert(sizeof(InventoryEntry) == kInventoryEntrySize);
static_assert(offsetof(InventoryEntry, body) == 8);

template<class Body> InventoryEntry makeInventoryEntry(InventoryType type, const Body &body)
{
    InventoryEntry entry;
    entry.typeCode = static_cast<std::int32_t>(type);
    entry.setBody(body);
    return entry;
}

// The laboratory's instruments: one list per type code, in list order.
struct Inventory
{
    std::array<std::vector<InventoryEntry>, kInventoryTypes> lists;
    // The reference earphones the program knows; rebuilt at the first load, never stored.
    std::vector<EarphoneModel> builtInEarphones;
    // Stored entries this program could not read (of an unknown type, or cut short at the end),
    // byte for byte as they were stored. They are written back behind the lists, so saving the
    // inventory does not destroy what may be another version's instruments or a repairable entry.
    QByteArray unreadable;
    bool loaded = false;

    std::vector<InventoryEntry> &list(InventoryType type) { return lists[static_cast<std::size_t>(type)]; }
    const std::vector<InventoryEntry> &list(InventoryType type) const
    {
        return lists[static_cast<std::size_t>(type)];
    }
};

} // namespace tonva
