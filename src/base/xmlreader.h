// XmlLite's reader, loaded from the system folder at run time (MinGW has no
// import library for it), set up for untrusted input: no document type
// definitions are processed.
#pragma once
#include <windows.h>
#include <objidl.h>
#include <xmllite.h>
#include <wrl/client.h>

#include <cstddef>
#include <string_view>

namespace qm {

// A new reader, or null when XmlLite cannot be loaded.
Microsoft::WRL::ComPtr<IXmlReader> NewXmlReader();

// The reader's input over UTF-8 text that outlives the reader's use of it.
// Wine's reader garbles a character of several bytes that ends one of its
// reads (it converts the block without the character's last byte), so there
// each read is cut after the last ASCII byte it would take; elsewhere the
// reads are whole, as every stream consumer expects.
Microsoft::WRL::ComPtr<ISequentialStream> XmlInputOf(std::string_view utf8);

// How many bytes of rest a read of wanted bytes hands over when reads end
// after an ASCII byte: all that was wanted when it ends so, else up to the
// last ASCII byte in it, else (a run of other bytes longer than the read) up
// to the last start of a character.
size_t AsciiEndedReadLength(std::string_view rest, size_t wanted);

}  // namespace qm
