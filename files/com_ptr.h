// A COM interface pointer released when it goes (Windows only: the readers and writers that use
// the Windows Imaging Component).
#pragma once

template <typename T>
struct Com {
    T* p = nullptr;
    Com() = default;
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    ~Com()
    {
        if (p) p->Release();
    }
    T** out() { return &p; }
    T* operator->() const { return p; }
};
