#pragma once
// Intrusive reference counting for the objects the program shares between owners and threads:
// files, folders, tasks, image data, regions. A new object starts with one reference, owned by
// its creator. Counts change under one process-wide mutex.
//
// A cache that hands out objects it keeps itself can set an orphan counter: it is incremented
// each time an object's count drops back to 1, i.e. when only the cache still holds it, so the
// cache knows that a sweep would find something to drop (see OrphanListener).

#include <atomic>
#include <cstdint>
#include <mutex>
#include <utility>

namespace Quorvel {

class ReferenceCounted {
public:
    ReferenceCounted() = default;
    ReferenceCounted(const ReferenceCounted&) = delete;
    ReferenceCounted& operator=(const ReferenceCounted&) = delete;

    virtual void addReference();
    // Decrements; at 0 destroys the object when `destroyAtZero` is set. Returns the new count.
    virtual int32_t dropReference(bool destroyAtZero);
    // dropReference(true).
    virtual void release();
    virtual int32_t getReferenceCount() const;

    // `counter` (may be null) outlives this object; set by the cache that created it.
    void setOrphanCounter(std::atomic<int32_t>* counter);

    // The mutex under which every count changes.
    static std::mutex& referenceMutex();

protected:
    virtual ~ReferenceCounted() = default;
    // Deletes the object; the default is `delete this`. Called outside the reference mutex.
    virtual void destroy();

private:
    int32_t m_count = 1;
    std::atomic<int32_t>* m_orphanCounter = nullptr;
};

// A counted reference: copying takes a reference, destruction or reassignment drops one.
template <typename T> class Ref {
public:
    Ref() = default;
    Ref(std::nullptr_t) {}
    // Takes a new reference to `object`.
    explicit Ref(T* object) : m_object(object)
    {
        if (m_object)
            m_object->addReference();
    }
    // Takes over the creator's reference of a newly made object without adding one.
    static Ref adopt(T* object)
    {
        Ref ref;
        ref.m_object = object;
        return ref;
    }
    Ref(const Ref& other) : Ref(other.m_object) {}
    template <typename U> Ref(const Ref<U>& other) : Ref(other.get()) {}
    Ref(Ref&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    ~Ref() { reset(); }

    Ref& operator=(const Ref& other)
    {
        Ref copy(other);
        swap(copy);
        return *this;
    }
    Ref& operator=(Ref&& other) noexcept
    {
        Ref moved(std::move(other));
        swap(moved);
        return *this;
    }

    void reset()
    {
        if (T* object = std::exchange(m_object, nullptr))
            object->release();
    }
    void swap(Ref& other) noexcept { std::swap(m_object, other.m_object); }

    T* get() const { return m_object; }
    T* operator->() const { return m_object; }
    T& operator*() const { return *m_object; }
    explicit operator bool() const { return m_object != nullptr; }
    bool operator==(const Ref& other) const { return m_object == other.m_object; }
    bool operator!=(const Ref& other) const { return m_object != other.m_object; }

private:
    T* m_object = nullptr;
};

// Makes a new object owned by the returned reference.
template <typename T, typename... Args> Ref<T> makeRef(Args&&... args)
{
    return Ref<T>::adopt(new T(std::forward<Args>(args)...));
}

} // namespace Quorvel
