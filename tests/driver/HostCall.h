// HostCall: calls an operation of a driver object the way the host does, through the raw virtual
// table, by slot number (the first virtual function is slot 2), without the driver's headers
// deciding which function runs.
#pragma once

template <typename R, typename... A>
R HostCall(const void* pObject, int nSlot, A... arguments) {
    void* const* ppTable = *static_cast<void* const* const*>(pObject);
    auto pfn = reinterpret_cast<R (*)(const void*, A...)>(ppTable[nSlot - 2]);
    return pfn(pObject, arguments...);
}
