// HandleTable<T>: numbers handed out for shared objects, as the posix
// backend's HANDLEs and HWNDs are. A number is handed out once and never
// reused, so a closed or made-up one can only miss in the table: it can
// never reach a freed or foreign object. Lookups return shared ownership, so
// an object stays alive while a call that found it is still using it, even
// if another thread removes its number meanwhile.
//
// Threading: every member takes the table's lock; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace tessaline::platform {

template <class T>
class HandleTable
{
public:
    // Numbers run from `first` up in steps of `step`.
    HandleTable(std::uintptr_t first, std::uintptr_t step) : m_next(first), m_step(step) {}

    // Adds an object and returns its new number.
    std::uintptr_t Insert(std::shared_ptr<T> object)
    {
        std::lock_guard lock(m_mutex);
        const std::uintptr_t value = m_next;
        m_next += m_step;
        m_objects.emplace(value, std::move(object));
        return value;
    }

    // The object a number names, or null.
    std::shared_ptr<T> Find(std::uintptr_t value) const
    {
        std::lock_guard lock(m_mutex);
        auto found = m_objects.find(value);
        return found != m_objects.end() ? found->second : nullptr;
    }

    // Removes a number; returns the object it named, or null.
    std::shared_ptr<T> Remove(std::uintptr_t value)
    {
        std::lock_guard lock(m_mutex);
        auto found = m_objects.find(value);
        if (found == m_objects.end())
            return nullptr;
        auto object = std::move(found->second);
        m_objects.erase(found);
        return object;
    }

    std::size_t Size() const
    {
        std::lock_guard lock(m_mutex);
        return m_objects.size();
    }

private:
    mutable std::mutex m_mutex;
    std::unordered_map<std::uintptr_t, std::shared_ptr<T>> m_objects;
    std::uintptr_t m_next;
    const std::uintptr_t m_step;
};

}  // namespace tessaline::platform
