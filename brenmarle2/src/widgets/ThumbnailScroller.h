#pragma once
// Scrolls a thumbnail view down a number of screens the way a user reading it would: one
// screen, then a wait until its thumbnails have arrived (at most WAIT_MS), then the next. What
// the view, the thumbnail cache and the toolkit keep after a long scroll can then be measured
// from outside: the benchmarks hand the program "app://bench/scroll?screens=N" and read its
// memory when the log says "Thumbnail view: scrolled N screens".
//
// GUI thread only. The view may go while scrolling: the scroller then stops.

#include <wx/timer.h>
#include <wx/weakref.h>

class ThumbnailView;

class ThumbnailScroller : public wxEvtHandler {
public:
    // The longest wait for a screen's thumbnails before the next screen.
    static constexpr int WAIT_MS = 2000;

    // Starts at once; `screens` of 0 or less logs the end straight away.
    ThumbnailScroller(ThumbnailView& view, int screens);
    ~ThumbnailScroller() override;
    ThumbnailScroller(const ThumbnailScroller&) = delete;
    ThumbnailScroller& operator=(const ThumbnailScroller&) = delete;

    bool isDone() const { return !m_timer.IsRunning(); }
    int getScrolled() const { return m_scrolled; }

    // One tick of the timer (also for tests): the next screen when this one is complete.
    void step();

private:
    void finish();

    wxWeakRef<ThumbnailView> m_view;
    const int m_screens;
    int m_scrolled = 0;
    long m_screenStart = 0;
    long m_start = 0;
    wxTimer m_timer;
};
