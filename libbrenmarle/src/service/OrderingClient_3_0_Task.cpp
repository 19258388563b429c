#include "service/OrderingClient_3_0_Task.h"

#include <future>
#include <system_error>
#include <thread>

#include <wx/filename.h>
#include <wx/intl.h>

#include "service/PreparedUpload.h"

namespace Brenmarle {

namespace {

bool startsWith(const wxString& text, const char* prefix)
{
    return text.StartsWith(wxString::FromUTF8(prefix));
}

bool isKnownReference(const wxString& clientRef)
{
    return startsWith(clientRef, OrderingClient_3_0::SAFE_STORAGE_PREFIX) ||
           startsWith(clientRef, OrderingClient_3_0::FILE_PREFIX) ||
           startsWith(clientRef, OrderingClient_3_0::NVTEMP_PREFIX);
}

} // namespace

OrderingClient_3_0_Task::OrderingClient_3_0_Task(const Client& client, int operation)
    : ServiceTask(client, operation, wxS("ORDERINGCLIENT_3_0_TASK"))
{
}

OrderingClient_3_0_Task::TaskRef OrderingClient_3_0_Task::createSession(const Client& client)
{
    return Quorvel::makeRef<OrderingClient_3_0_Task>(client, CREATE_SESSION);
}

OrderingClient_3_0_Task::TaskRef OrderingClient_3_0_Task::closeSession(const Client& client)
{
    return Quorvel::makeRef<OrderingClient_3_0_Task>(client, CLOSE_SESSION);
}

OrderingClient_3_0_Task::TaskRef OrderingClient_3_0_Task::createOrder(const Client& client,
                                                                      const wxString& pricelistId)
{
    auto task = Quorvel::makeRef<OrderingClient_3_0_Task>(client, CREATE_ORDER);
    task->pricelistId = pricelistId;
    return task;
}

OrderingClient_3_0_Task::TaskRef
OrderingClient_3_0_Task::uploadOrderDetails(const Client& client,
                                            const std::string& orderDetailsXml)
{
    auto task = Quorvel::makeRef<OrderingClient_3_0_Task>(client, UPLOAD_ORDER_DETAILS);
    task->orderDetailsXml = orderDetailsXml;
    return task;
}

OrderingClient_3_0_Task::TaskRef
OrderingClient_3_0_Task::getFileUploadList(const Client& client,
                                           const std::vector<OrderFile>& files)
{
    auto task = Quorvel::makeRef<OrderingClient_3_0_Task>(client, GET_FILE_UPLOAD_LIST);
    task->files = files;
    return task;
}

OrderingClient_3_0_Task::TaskRef
OrderingClient_3_0_Task::uploadFiles(const Client& client, const std::vector<OrderFile>& files,
                                     const std::vector<OrderingClient_3_0::FileUpload>& uploadList)
{
    auto task = Quorvel::makeRef<OrderingClient_3_0_Task>(client, UPLOAD_FILES);
    task->files = files;
    task->uploadList = uploadList;
    return task;
}

OrderingClient_3_0_Task::TaskRef OrderingClient_3_0_Task::getTransactionId(const Client& client)
{
    return Quorvel::makeRef<OrderingClient_3_0_Task>(client, GET_TRANSACTION_ID);
}

OrderingClient_3_0_Task::TaskRef
OrderingClient_3_0_Task::getSafeStorageCandidates(const Client& client)
{
    return Quorvel::makeRef<OrderingClient_3_0_Task>(client, GET_SAFE_STORAGE_CANDIDATES);
}

OrderingClient_3_0_Task::TaskRef OrderingClient_3_0_Task::verifyOrder(const Client& client,
                                                                      double acceptedTotal)
{
    auto task = Quorvel::makeRef<OrderingClient_3_0_Task>(client, VERIFY_ORDER);
    task->acceptedTotal = acceptedTotal;
    return task;
}

OrderingClient_3_0_Task::TaskRef OrderingClient_3_0_Task::confirmOrder(const Client& client)
{
    return Quorvel::makeRef<OrderingClient_3_0_Task>(client, CONFIRM_ORDER);
}

OrderingClient_3_0_Task::TaskRef
OrderingClient_3_0_Task::getDefaultPickupLocation(const Client& client)
{
    return Quorvel::makeRef<OrderingClient_3_0_Task>(client, GET_DEFAULT_PICKUP_LOCATION);
}

OrderingClient_3_0_Task::TaskRef
OrderingClient_3_0_Task::setDefaultPickupLocation(const Client& client,
                                                  const wxString& pickupLocation)
{
    auto task = Quorvel::makeRef<OrderingClient_3_0_Task>(client, SET_DEFAULT_PICKUP_LOCATION);
    task->pickupLocation = pickupLocation;
    return task;
}

void OrderingClient_3_0_Task::runOperation(int operation)
{
    OrderingClient_3_0& client = getClient();
    switch (operation) {
    case CREATE_SESSION:
        sessionId = client.createSession();
        break;
    case CLOSE_SESSION:
        client.closeSession();
        break;
    case CREATE_ORDER:
        orderId = client.createOrder(pricelistId);
        break;
    case UPLOAD_ORDER_DETAILS:
        orderTotal = client.uploadOrderDetails(orderDetailsXml);
        break;
    case GET_FILE_UPLOAD_LIST:
        uploadList = client.getFileUploadList();
        uploadSize = 0;
        for (const OrderingClient_3_0::FileUpload& entry : uploadList) {
            for (const OrderFile& file : files) {
                const wxULongLong size = wxFileName::GetSize(file.path);
                if (file.clientRef == entry.fileId.clientRef && size != wxInvalidSize) {
                    uploadSize += static_cast<int64_t>(size.GetValue());
                    break;
                }
            }
        }
        break;
    case UPLOAD_FILES:
        uploadAll();
        break;
    case GET_TRANSACTION_ID:
        transaction = client.getTransactionId();
        break;
    case GET_SAFE_STORAGE_CANDIDATES:
        safeStorage = client.getSafeStorageCandidates();
        break;
    case VERIFY_ORDER:
        client.verifyOrder(acceptedTotal);
        break;
    case CONFIRM_ORDER:
        confirmedOrderId = client.confirmOrder();
        break;
    case GET_DEFAULT_PICKUP_LOCATION:
        pickupLocation = client.getDefaultPickupLocation();
        break;
    case SET_DEFAULT_PICKUP_LOCATION:
        client.setDefaultPickupLocation(pickupLocation);
        break;
    default:
        unknownOperation(_("No code to handle the given task in OrderingClientTask"));
    }
    checkAbort();
}

const OrderingClient_3_0_Task::OrderFile&
OrderingClient_3_0_Task::findFile(const wxString& clientRef) const
{
    if (!isKnownReference(clientRef))
        throw Quorvel::RuntimeException(_("Unknown clientref: ") + clientRef);
    for (const OrderFile& file : files) {
        if (file.clientRef == clientRef)
            return file;
    }
    throw Quorvel::NotFoundException(
        wxString::Format(_("Could not find %s in list of files to upload"), clientRef));
}

namespace {

// The file at `path` read and digested on a thread of its own. The upload's header carries the
// digest, so it has to be known before the body goes: prepared for the next file while this one
// is sent, the pass over the file no longer adds to the upload's time, and the bytes it read are
// the ones sent. Run where it is called when no thread can be started.
std::future<PreparedUpload> prepareInBackground(const wxString& path, std::vector<char> storage)
{
    return std::async(std::launch::async | std::launch::deferred,
                      [path, storage = std::move(storage)]() mutable {
                          return PreparedUpload(path, std::move(storage));
                      });
}

} // namespace

void OrderingClient_3_0_Task::uploadAll()
{
    uploadedCount = 0;
    uploadSize = 0;
    m_uploadsStarted = 0;
    m_stopUploads = false;
    if (uploadList.size() > 1) {
        auto second = getClient().inSameSession();
        std::lock_guard<std::mutex> lock(m_laneLock);
        m_secondLane = second;
        if (isAborted())
            second->interrupt();
    }
    std::exception_ptr failure;
    const auto runLane = [this, &failure](OrderingClient_3_0& client, size_t first) {
        try {
            uploadLane(client, first, UPLOAD_LANES);
        } catch (...) {
            std::lock_guard<std::mutex> lock(m_laneLock);
            // The other lane ends once its upload under way is through.
            m_stopUploads = true;
            if (!failure)
                failure = std::current_exception();
        }
    };
    std::thread other;
    if (m_secondLane) {
        try {
            other = std::thread(runLane, std::ref(*m_secondLane), 1);
        } catch (const std::system_error&) {
            // No thread to be had: one lane sends everything.
        }
    }
    runLane(getClient(), 0);
    if (other.joinable())
        other.join();
    else if (m_secondLane)
        runLane(*m_secondLane, 1);
    {
        std::lock_guard<std::mutex> lock(m_laneLock);
        m_secondLane.reset();
    }
    if (failure)
        std::rethrow_exception(failure);
}

void OrderingClient_3_0_Task::uploadLane(OrderingClient_3_0& client, size_t first, size_t step)
{
    const size_t count = uploadList.size();
    std::future<PreparedUpload> next;
    // The memory of the file sent last, for the one after the next: two buffers serve a lane.
    std::vector<char> spare;
    // The registration of the file sent before, made while this one is sent: neither the call
    // nor the service's bookkeeping of it holds up the next upload. A file is registered only
    // once it was sent, and a failed registration fails the task after the upload under way.
    std::future<int64_t> registering;
    for (size_t i = first; i < count; i += step) {
        checkAbort();
        if (m_stopUploads)
            break;
        const OrderingClient_3_0::FileUpload& entry = uploadList[i];
        const OrderFile& file = findFile(entry.fileId.clientRef);
        std::future<PreparedUpload> prepared =
            next.valid() ? std::move(next) : prepareInBackground(file.path, {});
        if (i + step < count) {
            try {
                next = prepareInBackground(findFile(uploadList[i + step].fileId.clientRef).path,
                                           std::move(spare));
            } catch (const Quorvel::Exception&) {
                // Reported in its turn, after this file is sent.
            }
        }
        const int number = ++m_uploadsStarted;
        // The line as it always read ("&d" included); the count is in the status text below.
        QDEBUG("[ORDERINGCLIENTSLAVE_3_0] Must upload %s?%d:&d", entry.fileId.clientRef, number);
        setProgress(wxString::Format(_("Uploading file %d of %d"), number, static_cast<int>(count)),
                    0, 0);
        notifyProgress();
        PreparedUpload upload = prepared.get();
        client.sendFile(upload, entry.uploadUrl, _("Error before uploading file to ordering"),
                        _("Error uploading to ordering"), *this, UPLOAD_LIMIT);
        countRegistered(registering);
        registering = registerInBackground(client, entry, file, upload.getSize());
        spare = upload.takeStorage();
    }
    countRegistered(registering);
}

std::future<int64_t>
OrderingClient_3_0_Task::registerInBackground(OrderingClient_3_0& client,
                                              const OrderingClient_3_0::FileUpload& entry,
                                              const OrderFile& file, int64_t size)
{
    OrderingClient_3_0::FileInfo info = file.info;
    info.serverUuid = entry.fileId.serverUuid;
    info.clientRef = entry.fileId.clientRef;
    info.fileModifyTime = entry.fileId.fileModifyTime;
    info.metaModifyTime = entry.fileId.metaModifyTime;
    if (info.fileName.empty())
        info.fileName = wxFileName(file.path).GetFullName();
    info.fileSize = size;
    return std::async(std::launch::async | std::launch::deferred,
                      [&client, fileId = entry.fileId, info = std::move(info)] {
                          client.registerFile(fileId, info, true);
                          return info.fileSize;
                      });
}

void OrderingClient_3_0_Task::countRegistered(std::future<int64_t>& registering)
{
    if (!registering.valid())
        return;
    const int64_t size = registering.get();
    std::lock_guard<std::mutex> lock(m_laneLock);
    uploadSize += size;
    ++uploadedCount;
}

void OrderingClient_3_0_Task::onAbort()
{
    getClient().interrupt();
    std::lock_guard<std::mutex> lock(m_laneLock);
    if (m_secondLane)
        m_secondLane->interrupt();
}

} // namespace Brenmarle
