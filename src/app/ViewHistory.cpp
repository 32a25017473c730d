#include "app/ViewHistory.h"

namespace tonva {

ViewHistory::ViewHistory()
{
    m_entries.fill(ViewId::Idle);
}

ViewHistory::PushResult ViewHistory::push(ViewId view)
{
    if (top() == view)
        return PushResult::Unchanged;
    if (view == ViewId::Idle) {
        m_top = 0;
        m_entries[0] = ViewId::Idle;
        return PushResult::Pushed;
    }
    if (view == ViewId::Booth || view == ViewId::Summary) {
        m_top = 1;
        m_entries[1] = view;
        return PushResult::Pushed;
    }
    for (int i = 0; i <= m_top; ++i) {
        if (m_entries[static_cast<std::size_t>(i)] == view) {
            m_top = i;
            return PushResult::Pushed;
        }
    }
    if (m_top >= kCapacity - 1)
        return PushResult::Full;
    m_entries[static_cast<std::size_t>(++m_top)] = view;
    return PushResult::Pushed;
}

ViewId ViewHistory::pop()
{
    if (m_top > 0)
        --m_top;
    return top();
}

std::vector<ViewId> ViewHistory::entries() const
{
    return {m_entries.begin(), m_entries.begin() + m_top + 1};
}

} // namespace tonva
