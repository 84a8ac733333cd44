#include "platform/SharedLibrary.h"

#include <dlfcn.h>

SharedLibrary::~SharedLibrary()
{
    Close();
}

bool SharedLibrary::Open(const QByteArray& name, QByteArray* error)
{
    Close();
    // Local: two libraries loaded this way never resolve each other's names.
    m_handle = dlopen(name.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle && error) {
        const char* reason = dlerror();
        *error = reason ? QByteArray(reason) : QByteArray("unknown reason");
    }
    return m_handle != nullptr;
}

void SharedLibrary::Close()
{
    if (m_handle)
        dlclose(m_handle);
    m_handle = nullptr;
}

void* SharedLibrary::Symbol(const char* symbol) const
{
    return m_handle ? dlsym(m_handle, symbol) : nullptr;
}
