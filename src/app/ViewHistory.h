#pragma once

#include "app/ViewId.h"

#include <array>
#include <vector>

namespace tonva {

// The views the main window has shown, for going back. The idle view is always at the bottom; the
// booth and summary views start a history of their own on top of it, and returning to a view
// already in the history drops everything shown after it.
class ViewHistory
{
public:
    static constexpr int kCapacity = 10;

    enum class PushResult
    {
        Pushed,
        Unchanged,
        // The history is full and the view was not in it; the caller reports the internal error.
        Full
    };

    ViewHistory();

    PushResult push(ViewId view);
    // Moves down one entry (never below the bottom) and returns the entry found there.
    ViewId pop();

    ViewId top() const { return m_entries[static_cast<std::size_t>(m_top)]; }
    // Bottom to top.
    std::vector<ViewId> entries() const;

private:
    std::array<ViewId, kCapacity> m_entries{};
    int m_top = 0;
};

} // namespace tonva
