// qmunpack LIBRARY ARCHIVE FOLDER: unpacks a 7z archive into a folder through
// the 7-Zip library at LIBRARY (a full path), as the setup program does; for
// checking a build's library by hand and from the tests of the other
// architecture. Exit code 0 on success; otherwise the error is printed.
#include <windows.h>

#include <cstdio>

#include "base/strings.h"
#include "setup/sevenzip.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fputs("usage: qmunpack LIBRARY ARCHIVE FOLDER\n", stderr);
        return 2;
    }
    try {
        Microsoft::WRL::ComPtr<qm::IArchiveReader> reader = qm::CreateArchiveReader(argv[1]);
        reader->OpenArchiveFile(argv[2]);
        reader->ExtractAllToFolder(argv[3]);
        return 0;
    } catch (const qm::T7zError& e) {
        std::fprintf(stderr, "qmunpack: %s\n", e.what());
        return 1;
    }
}
