// Globally unique identifiers of classes and interfaces, in the framework's
// 16-byte layout: Data1..Data3 little-endian on this machine, Data4 as bytes.
// A GUID written as {6274E85B-968A-4B30-A2B3-50977AA619D2} is stored as the
// bytes 5B E8 74 62 8A 96 30 4B A2 B3 50 97 7A A6 19 D2.
#pragma once

#include <cstring>

#include "platform/base/wintypes.h"

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
static_assert(sizeof(GUID) == 16, "GUID must keep its 16-byte layout");

using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline bool operator==(REFGUID a, REFGUID b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}
inline bool IsEqualGUID(REFGUID a, REFGUID b) {
    return a == b;
}
inline bool IsEqualIID(REFIID a, REFIID b) {
    return a == b;
}
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) {
    return a == b;
}
