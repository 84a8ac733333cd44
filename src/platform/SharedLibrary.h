#pragma once

#include <QByteArray>

// A shared library loaded at run time. Libraries that only some sessions
// need (the HID library, the HTTPS stack) are loaded on first use, so a
// window that never needs them neither waits for them at start nor keeps
// their pages. Each entry point is resolved by name; the handle is closed
// when the object goes.
class SharedLibrary {
public:
    SharedLibrary() = default;
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // Loads `name` (a file or a soname) with every symbol bound at once;
    // false with the loader's reason in `error` when it cannot.
    bool Open(const QByteArray& name, QByteArray* error = nullptr);
    bool IsOpen() const { return m_handle != nullptr; }
    void Close();

    // The address of `symbol`, or null when the library lacks it.
    void* Symbol(const char* symbol) const;

    // Resolves `symbol` into the function pointer `entry`; false when missing.
    template <typename Function> bool Resolve(Function& entry, const char* symbol) const
    {
        entry = reinterpret_cast<Function>(Symbol(symbol));
        return entry != nullptr;
    }

private:
    void* m_handle = nullptr;
};
