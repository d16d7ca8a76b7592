#pragma once

#include <utility>
#include <windows.h>

// Owns a Win32 file handle.
class UniqueHandle
{
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle)
        : m_handle(handle)
    {
    }
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle &&other) noexcept
        : m_handle(std::exchange(other.m_handle, INVALID_HANDLE_VALUE))
    {
    }
    UniqueHandle &operator=(UniqueHandle &&other) noexcept
    {
        reset(std::exchange(other.m_handle, INVALID_HANDLE_VALUE));
        return *this;
    }
    void reset(HANDLE handle = INVALID_HANDLE_VALUE)
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
        m_handle = handle;
    }
    HANDLE get() const { return m_handle; }
    bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};
