#pragma once
// Collects what is logged while it lives, trace messages under "DEBUG" included.

#include <wx/log.h>

class LogCapture : public wxLog {
public:
    LogCapture() : m_previous(SetActiveTarget(this)), m_hadDebug(IsAllowedTraceMask("DEBUG"))
    {
        AddTraceMask("DEBUG");
    }
    ~LogCapture() override
    {
        SetActiveTarget(m_previous);
        if (!m_hadDebug)
            RemoveTraceMask("DEBUG");
    }
    bool contains(const wxString& text) const { return m_text.Contains(text); }
    // Where `text` was first logged, wxString::npos when it was not: lines' order.
    size_t find(const wxString& text) const { return m_text.find(text); }
    // How many times `text` was logged (within messages).
    int occurrences(const wxString& text) const
    {
        int count = 0;
        for (size_t at = m_text.find(text); at != wxString::npos; at = m_text.find(text, at + 1))
            ++count;
        return count;
    }

protected:
    void DoLogRecord(wxLogLevel, const wxString& message, const wxLogRecordInfo&) override
    {
        m_text += message + "\n";
    }

private:
    wxLog* m_previous;
    bool m_hadDebug;
    wxString m_text;
};
