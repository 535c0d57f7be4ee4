// A data object holding Unicode text, as another program hands it to a drop.
#pragma once
#include <string>

#include "base/dataobject.h"

namespace qm::test {

class TTextDataObject : public TBlockDataObject {
public:
    explicit TTextDataObject(const std::wstring& text)
        : TBlockDataObject(CF_UNICODETEXT, std::string(reinterpret_cast<const char*>(text.c_str()),
                                                       (text.size() + 1) * sizeof(wchar_t))) {}
};

}  // namespace qm::test
