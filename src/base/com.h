// The COM apartment of the calling thread for as long as an object lives. The
// apartment is left only when this object is the one that entered it (or added
// a reference to it), so nested owners and an outer OleInitialize both hold.
#pragma once
#include <objbase.h>
#include <ole2.h>

namespace qm {

class TComApartment {
public:
    TComApartment() noexcept : hr_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~TComApartment() {
        if (SUCCEEDED(hr_)) ::CoUninitialize();
    }
    TComApartment(const TComApartment&) = delete;
    TComApartment& operator=(const TComApartment&) = delete;
    bool Ok() const noexcept { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

private:
    HRESULT hr_;
};

// OLE (drag and drop, the clipboard) on the GUI thread.
class TOleApartment {
public:
    TOleApartment() noexcept : hr_(::OleInitialize(nullptr)) {}
    ~TOleApartment() {
        if (SUCCEEDED(hr_)) ::OleUninitialize();
    }
    TOleApartment(const TOleApartment&) = delete;
    TOleApartment& operator=(const TOleApartment&) = delete;
    bool Ok() const noexcept { return SUCCEEDED(hr_); }

private:
    HRESULT hr_;
};

}  // namespace qm
