#include "widgets/ThumbnailScroller.h"

#include "system/Log.h"
#include "thumbnails/ThumbnailManager.h"
#include "widgets/ThumbnailView.h"

namespace {

// How often the scroller looks whether the screen is complete.
constexpr int TICK_MS = 10;

} // namespace

ThumbnailScroller::ThumbnailScroller(ThumbnailView& view, int screens)
    : m_view(&view), m_screens(screens), m_screenStart(Quorvel::elapsedMs()), m_start(m_screenStart)
{
    m_timer.SetOwner(this);
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { step(); });
    if (m_screens <= 0) {
        finish();
        return;
    }
    m_timer.Start(TICK_MS);
}

ThumbnailScroller::~ThumbnailScroller()
{
    m_timer.Stop();
}

void ThumbnailScroller::step()
{
    if (!m_view) {
        m_timer.Stop();
        return;
    }
    const bool waiting =
        m_view->getPendingCount() > 0 && Quorvel::elapsedMs() - m_screenStart < WAIT_MS;
    if (waiting || isDone())
        return;
    if (m_scrolled == m_screens) {
        finish();
        return;
    }
    m_view->ScrollPages(1);
    // Drawn now, so its thumbnails are asked for before the next look.
    m_view->Update();
    ++m_scrolled;
    m_screenStart = Quorvel::elapsedMs();
}

void ThumbnailScroller::finish()
{
    m_timer.Stop();
    // What holds memory after the scroll, beside the time it took.
    const std::size_t cached = Brenmarle::ThumbnailManager::exists()
                                   ? Brenmarle::ThumbnailManager::get().getCachedBytes()
                                   : 0;
    Quorvel::logTiming(m_start, wxString::Format("Thumbnail view: scrolled %d screens (%zu "
                                                 "drawn thumbnails kept, %zu KB cached)",
                                                 m_scrolled, m_view ? m_view->getDrawnCount() : 0,
                                                 cached / 1024));
}
