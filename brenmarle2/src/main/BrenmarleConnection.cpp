#include "main/BrenmarleConnection.h"

#include <unistd.h>

#include "system/Log.h"

BrenmarleConnection::BrenmarleConnection(CommandReceiver receiver) : m_receiver(std::move(receiver))
{
}

const void* BrenmarleConnection::OnRequest(const wxString&, const wxString& item, size_t* size,
                                           wxIPCFormat)
{
    if (item != PROCESS_ID_ITEM)
        return nullptr;
    m_processId = std::to_string(::getpid());
    if (size)
        *size = m_processId.size() + 1;
    return m_processId.c_str();
}

bool BrenmarleConnection::OnPoke(const wxString& topic, const wxString& item, const void* data,
                                 size_t size, wxIPCFormat format)
{
    const wxString argument = GetTextFromData(data, size, format);
    QDEBUG("TOPIC: %s", topic);
    QDEBUG("ITEM: %s", item);
    QDEBUG("STRING DATA: %s", argument);
    if (m_receiver)
        m_receiver(item.Lower(), argument.Left(MAX_ARGUMENT_LENGTH));
    return true;
}
