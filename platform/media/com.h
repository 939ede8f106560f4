// COM-lite: the reference-counted object model the media graph is reached
// through. IUnknown keeps the framework's v-table slot order (QueryInterface,
// AddRef, Release), so interface pointers behave as the player's code expects.
// Objects are created by CoCreateInstance from a process-wide registry of class
// factories; tests may register their own class under a real identifier and
// restore the original afterwards.
//
// Thread: every function here is thread-safe. Objects made by the registry are
// in-process and free-threaded; reference counts are atomic.
#pragma once

#include <atomic>
#include <functional>

#include "platform/media/guid.h"

// {00000000-0000-0000-C000-000000000046}
inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;  // objects die through Release only
};
using LPUNKNOWN = IUnknown*;

// Counts initialisations of the calling process: each successful call must be
// matched by one CoUninitialize. Returns S_OK for the first, S_FALSE for the
// further ones, as the framework does. pvReserved must be null.
HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
void CoUninitialize();

// Creates an object of the registered class and returns the requested
// interface in *ppv (AddRef'd). Aggregation is not supported: a non-null
// pUnkOuter fails with CLASS_E_NOAGGREGATION. Only CLSCTX_INPROC_SERVER
// objects exist. REGDB_E_CLASSNOTREG for an unknown class; E_NOINTERFACE when
// the object lacks the interface (the object is then destroyed again).
HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv);

constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110);
constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0);

namespace wq::media {

// Makes a new object and returns `riid` of it in *ppv, or fails without
// leaving an object behind. Called on the thread that calls CoCreateInstance.
using ClassFactory = std::function<HRESULT(REFIID riid, void** ppv)>;

// Registers (or replaces) the factory for `clsid` and returns the factory it
// replaced (empty when none), so a caller can restore it.
ClassFactory RegisterClass(REFCLSID clsid, ClassFactory factory);
// Removes the factory for `clsid`; true when one was registered.
bool UnregisterClass(REFCLSID clsid);
// Number of CoInitializeEx calls not yet matched by CoUninitialize.
int ComInitCount();

// Atomic reference count for the classes of this folder. Release deletes the
// object through `self` when the count reaches zero.
class RefCount {
public:
    ULONG Add() { return static_cast<ULONG>(++count_); }
    ULONG Drop() { return static_cast<ULONG>(--count_); }

private:
    std::atomic<long> count_{1};
};

// Owning interface pointer: Release on destruction and reassignment.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr& o) : p_(o.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr(ComPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~ComPtr() { Reset(); }

    void Reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // Out-parameter for creation calls: releases what is held first.
    T** Put() {
        Reset();
        return &p_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

private:
    T* p_ = nullptr;
};

}  // namespace wq::media
